#!/usr/bin/env bats
# How scripts/setup and scripts/wine-env choose the way 32-bit code runs, on any host: binfmt_misc, the
# 32-bit probe, mount and the qemu download are stand-ins, so no real registration is read or written.
# The scripts' code runs under their own set -euo pipefail.

setup() {
    root="$(cd "$BATS_TEST_DIRNAME/../.." && pwd)"
    fake="$BATS_TEST_TMPDIR"
    export CORVEL_BUILD_DIR="$fake/build" CORVEL_BINFMT_DIR="$fake/binfmt" CORVEL_PROBE32="$fake/bin/probe32"
    export FAKE_KERNEL_I386=1 FAKE_MOUNT=works FAKE_MOUNT_LOG="$fake/mount.log"
    unset CORVEL_EMULATE_I386 QEMU_SET_ENV
    qemu="$CORVEL_BUILD_DIR/emulation/qemu-i386"
    mkdir -p "$CORVEL_BUILD_DIR/emulation/i686" "$CORVEL_BINFMT_DIR" "$fake/bin"
    # Newer than their sources, so setup does not build them.
    touch "$CORVEL_BUILD_DIR/emulation/probe32" "$CORVEL_BUILD_DIR/emulation/i686/trapfix.so"
    touch "$CORVEL_BINFMT_DIR/register"  # mounted
    stand_in probe32 '[ "$FAKE_KERNEL_I386" = 1 ] || grep -qs ":corvel-i386" "$CORVEL_BINFMT_DIR/register"'
    stand_in mount 'echo "$@" >>"$FAKE_MOUNT_LOG"; [ "$FAKE_MOUNT" = works ] && touch "$CORVEL_BINFMT_DIR/register"'
    stand_in sudo 'exec "$@"'
    stand_in apt-get 'echo "E: Failed to fetch" >&2; exit 100'
    PATH="$fake/bin:$PATH"
}

stand_in() {
    printf '#!/usr/bin/env bash\n%s\n' "$2" >"$fake/bin/$1"
    chmod +x "$fake/bin/$1"
}

have_qemu() {
    printf '#!/bin/sh\necho "qemu-i386 version 10.0.2 (Debian 1:10.0.2+ds-1~bpo12+1)"\n' >"$qemu"
    chmod +x "$qemu"
}

ready_i386() {
    run bash -c "source '$root/scripts/setup'; ready_i386"
}

# What the kernel makes of the line written to the register file.
kernel_reads_register() {
    local name interpreter
    IFS=: read -r _ name _ _ _ _ interpreter _ <<<"$(cat "$CORVEL_BINFMT_DIR/register")"
    printf 'enabled\ninterpreter %s\nflags: F\n' "$interpreter" >"$CORVEL_BINFMT_DIR/$name"
}

# The path that scripts/test names, and the emulated processes' preload, as a sourcing script sees them.
path_named() {
    run bash -c "set -euo pipefail; source '$root/scripts/on-error'; source '$root/scripts/wine-env'
                 echo \"\$CORVEL_I386_PATH|\${QEMU_SET_ENV:-}\""
    [ "$status" -eq 0 ]
}

@test "native, whether binfmt_misc is mounted or not: registers and mounts nothing" {
    ready_i386
    [ "$status" -eq 0 ]
    [ ! -s "$CORVEL_BINFMT_DIR/register" ]
    path_named
    [ "$output" = "32-bit code runs natively|" ]
    rm "$CORVEL_BINFMT_DIR/register"
    ready_i386
    [ "$status" -eq 0 ]
    [ ! -e "$FAKE_MOUNT_LOG" ]
    rmdir "$CORVEL_BINFMT_DIR"
    path_named
    [ "$output" = "32-bit code runs natively|" ]
}

@test "emulated: registers qemu-i386 once, and the path names it" {
    FAKE_KERNEL_I386=0
    have_qemu
    ready_i386
    [ "$status" -eq 0 ]
    [[ "$(cat "$CORVEL_BINFMT_DIR/register")" == :corvel-i386:M::*:"$qemu":F ]]
    kernel_reads_register
    : >"$CORVEL_BINFMT_DIR/register"
    ready_i386
    [ "$status" -eq 0 ]
    [ ! -s "$CORVEL_BINFMT_DIR/register" ]
    path_named
    [ "$output" = "32-bit code runs under qemu-i386 10.0.2|LD_PRELOAD=$CORVEL_BUILD_DIR/emulation/\$PLATFORM/trapfix.so" ]
}

@test "emulated where binfmt_misc is not mounted: mounts it, then registers" {
    FAKE_KERNEL_I386=0
    rm "$CORVEL_BINFMT_DIR/register"
    have_qemu
    ready_i386
    [ "$status" -eq 0 ]
    [ "$(cat "$FAKE_MOUNT_LOG")" = "-t binfmt_misc binfmt_misc $CORVEL_BINFMT_DIR" ]
    grep -q "^:corvel-i386:" "$CORVEL_BINFMT_DIR/register"
}

@test "emulated where binfmt_misc cannot be mounted: says what to do" {
    FAKE_KERNEL_I386=0 FAKE_MOUNT=fails
    rm "$CORVEL_BINFMT_DIR/register"
    have_qemu
    ready_i386
    [ "$status" -eq 1 ]
    [[ "$output" == *"binfmt_misc cannot be mounted"*"ia32_emulation=1"* ]]
}

@test "no qemu to be had: says what to do, registers nothing" {
    FAKE_KERNEL_I386=0
    ready_i386
    [ "$status" -eq 1 ]
    [[ "$output" == *"Install qemu-user (version 10 or later) and copy its qemu-i386 to $CORVEL_BUILD_DIR/emulation/."* ]]
    [ ! -s "$CORVEL_BINFMT_DIR/register" ]
}

@test "forced emulation: registered for the run, removed when it ends" {
    export CORVEL_EMULATE_I386=1
    have_qemu
    ready_i386
    [ "$status" -eq 0 ]
    grep -q "^:corvel-i386-forced:" "$CORVEL_BINFMT_DIR/register"
    kernel_reads_register
    path_named
    [[ "$output" == "32-bit code runs under qemu-i386 10.0.2|LD_PRELOAD="* ]]
    run bash -c "set -euo pipefail; source '$root/scripts/on-error'; source '$root/scripts/wine-env'
                 corvel_drop_forced_emulation"
    [ "$status" -eq 0 ]
    [ "$(cat "$CORVEL_BINFMT_DIR/corvel-i386-forced")" = -1 ]
}

@test "a stale forced registration is removed, and the native path taken" {
    have_qemu
    printf 'enabled\ninterpreter %s\n' "$qemu" >"$CORVEL_BINFMT_DIR/corvel-i386-forced"
    ready_i386
    [ "$status" -eq 0 ]
    [ "$(cat "$CORVEL_BINFMT_DIR/corvel-i386-forced")" = -1 ]
    [ ! -s "$CORVEL_BINFMT_DIR/register" ]
}
