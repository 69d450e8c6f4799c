#!/usr/bin/env bats
# scripts/in-debian never leaves a mount or a process behind, and never deletes the tree it binds in, even
# where findmnt escapes the tree's path. Its mounts, namespaces and chroot are real; debootstrap is a stand-in
# that makes a root of the host's bash, so no network is needed. Needs root, as the script does.

setup() {
    [ "$(id -u)" -eq 0 ] || skip "in-debian needs root"
    fake="$BATS_TEST_TMPDIR"
    tree="$fake/with space/corvel"
    mkdir -p "$tree/.git" "$tree/src" "$fake/bin"
    cp -r "$BATS_TEST_DIRNAME/../../scripts" "$tree/"
    echo "ref: refs/heads/main" >"$tree/.git/HEAD"
    echo kept >"$tree/src/a file"
    ln -s "with space" "$fake/a link"
    stand_in debootstrap 'root="$4"
        mkdir -p "$root/etc" "$root/proc" "$root/sys" "$root/dev" "$root/usr/bin"
        for program in /bin/bash /usr/bin/env /usr/bin/sleep; do
            cp -L --parents "$program" $(ldd "$program" | grep -o "/[^ ]*") "$root/"
        done
        echo 13.0 >"$root/etc/debian_version"
        printf "#!/bin/bash\n" >"$root/usr/bin/git"
        chmod +x "$root/usr/bin/git"'
    stand_in dpkg-query 'echo "install ok installed"'
    stand_in dpkg 'echo i386'
    unset CORVEL_BUILD_DIR CORVEL_ROOTS_DIR CORVEL_DIST_DIR
    PATH="$fake/bin:$PATH"
}

stand_in() {
    printf '#!/usr/bin/env bash\n%s\n' "$2" >"$fake/bin/$1"
    chmod +x "$fake/bin/$1"
}

files() {
    (cd "$tree" && find . -path ./build -prune -o -print | sort)
}

# Both runs, the first through a link, then the mounts they left, in a mount namespace with a /dev of its own:
# a script that deleted through its bind of /dev would delete only this copy, never the machine's. Each run
# leaves a process behind in the root.
two_runs() {
    local inside='sleep 600 & echo ran >build/ran'
    unshare --mount --propagation private -- bash -c '
        set -e
        mount -t tmpfs -o mode=0755 corvel-test-dev /dev
        mknod -m 666 /dev/null c 1 3
        mknod -m 666 /dev/zero c 1 5
        mknod -m 666 /dev/urandom c 1 9
        mkdir /dev/pts /dev/shm
        ln -s /proc/self/fd /dev/fd
        "$1/scripts/in-debian" trixie bash -c "$3"
        "$2/scripts/in-debian" --fresh trixie bash -c "$3"
        if findmnt -rn -o TARGET | grep -F "with"; then echo "left mounted"; exit 3; fi' \
        two-runs "$fake/a link/corvel" "$tree" "$inside"
}

@test "a tree under a path with a space, run twice, the second time afresh: every file stays, no mount or process" {
    before="$(files)"
    run two_runs
    echo "$output"
    [ "$status" -eq 0 ]
    [ "$(cat "$tree/build/ran")" = ran ]
    [ "$(files)" = "$before" ]
    [ "$(cat "$tree/src/a file")" = kept ]
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/root" 2>/dev/null)" != "$tree/build/debian-trixie" ]
    done
}
