#!/usr/bin/env bash
# The elevated log step under Wine's relay trace, which names every call it makes into Windows' DLLs: a
# missing log is created and given its rights; a log that is there gets no call that changes security and
# keeps every byte. Wine writes the trace to the Unix stderr, which only a shell can catch.
# Argument: corvel.exe. Runs in the tests' Wine prefix, one test at a time (the log is shared).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/on-error"
source "$root/scripts/wine-env"
exe="$1"
log="$WINEPREFIX/drive_c/SongNames.txt"
trace="$(mktemp)"
trap 'rm -f "$trace" "$log"' EXIT
changes_security='Call [A-Za-z0-9_]+\.(Set[A-Za-z]*Security[A-Za-z]*|SetEntriesInAcl[AW]?)\('

rm -f "$log"
WINEDEBUG=+relay wine "$exe" -elevated songlog 2>"$trace" ||
    corvel_fail "the step did not create the missing log (exit status $?)"
if [ ! -f "$log" ] || [ -s "$log" ]; then corvel_fail "the step left no empty log at C:\\SongNames.txt"; fi
grep -Eq 'Call [A-Za-z0-9_]+\.SetSecurityInfo\(' "$trace" ||
    corvel_fail "the trace shows no SetSecurityInfo for the log the step made: is the trace read right?"

printf 'earlier line\r\n' >"$log"
WINEDEBUG=+relay wine "$exe" -elevated songlog 2>"$trace" ||
    corvel_fail "the step failed on a log that is there (exit status $?)"
if grep -Eq "$changes_security" "$trace"; then
    corvel_fail "the step changed the security of a log it did not create:" \
                "$(grep -Eo "$changes_security" "$trace" | sort -u | paste -sd ' ')"
fi
[ "$(od -An -c "$log" | tr -s ' ')" = "$(printf 'earlier line\r\n' | od -An -c | tr -s ' ')" ] ||
    corvel_fail "the step changed the bytes of a log that is there"
echo "log step: a missing log is made with its rights; one that is there keeps its rights and bytes"
