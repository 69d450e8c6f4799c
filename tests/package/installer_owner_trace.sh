#!/usr/bin/env bash
# Setup makes Administrators the owner of every file it writes. Wine answers such a call with success and
# keeps reading the owner from the file's Unix owner (the prefix's user), so the owner cannot be read back
# here: Wine's relay trace shows the call instead, with the owner's part of the rights named, for each file.
# Argument: the folder with the release. Runs in the tests' Wine prefix, one installer at a time.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/on-error"
source "$root/scripts/wine-env"
setup="$(find "$1" -maxdepth 1 -name 'corvel-*-setup.exe' | head -n 1)"
[ -n "$setup" ] || corvel_fail "no installer in $1: the PackageBuild test writes it"
folder='C:\CorvelOwnerTrace'  # no space: /D= must reach setup unquoted
trace="$(mktemp)"
log="$WINEPREFIX/drive_c/SongNames.txt"
made_log=1
if [ -e "$log" ]; then made_log=0; fi
# The uninstaller in place (_?=) ends before the folder goes; a log that setup made goes too.
trap 'rm -f "$trace"; wine "$folder\\uninstall.exe" /S "_?=$folder" >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX/drive_c/CorvelOwnerTrace"; if [ "$made_log" = 1 ]; then rm -f "$log"; fi' EXIT

WINEDEBUG=+relay wine "$setup" /S "/D=$folder" 2>"$trace" || corvel_fail "setup failed (exit status $?)"
grep -q 'Call advapi32.ConvertStringSidToSidW([0-9a-f]* L"BA"' "$trace" ||
    corvel_fail "the trace shows no Administrators' SID made from \"BA\": is the trace read right?"
for file in corvel.exe README.txt LICENSE.txt uninstall.exe; do
    # SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION and an owner given; then Wine's answer to that call, which
    # comes after the calls it makes itself.
    call="Call advapi32\\.SetNamedSecurityInfoW\\([0-9a-f]+ L\"C:\\\\\\\\CorvelOwnerTrace\\\\\\\\$file\",00000001,00000001,0*[1-9a-f]" \
        awk '$0 ~ ENVIRON["call"] { asked = 1; next }
             asked && /Ret  advapi32\.SetNamedSecurityInfoW\(\) retval=/ { done = /retval=00000000 /; exit }
             END { exit !done }' "$trace" || corvel_fail "setup did not make Administrators the owner of $file"
done
echo "setup: Administrators asked as the owner of every file it wrote"
