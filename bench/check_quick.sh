#!/usr/bin/env bash
# The benchmark's smoke test: one quick run under Wine, then a check that every figure is printed for both
# programs and that every press was received. It never judges a speed.
# Usage: check_quick.sh <corvel_bench.exe>
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/on-error"

figures=(stop_median stop_p90 stop_p99 playpause_median playpause_p90 playpause_p99 startup private_start
         private_presses idle_cpu burst_received burst_time size)

status=0
output="$("$root/scripts/wine-exec" "$1" --quick 2>&1)" || status=$?
printf '%s\n' "$output"

[ "$status" -eq 0 ] || corvel_fail "the quick run ended with status $status: see its lines that begin with \"failed:\"."
if grep -q 'failed' <<<"$output"; then corvel_fail "a figure reads \"failed\"."; fi

ratios="$(grep '^ratios corvel.exe/reference:' <<<"$output")" || corvel_fail "the line of ratios is missing."
keys="$(tr ' ' '\n' <<<"${ratios#*:}" | sed -n 's/=.*//p' | tr '\n' ' ')"
[ "$keys" = "${figures[*]} " ] ||
    corvel_fail "the line of ratios names \"$keys\"," "not the figures \"${figures[*]}\"."

# "B burst(s) of N presses: received   R   R   1.00": R = B times N for each program.
read -r bursts presses program reference < <(sed -n \
    's/^\([0-9]*\) burst(s) of \([0-9]*\) presses: received *\([0-9]*\) *\([0-9]*\) .*/\1 \2 \3 \4/p' \
    <<<"$output") || corvel_fail "the bursts' line is missing."
sent=$((bursts * presses))
if [ "$program" != "$sent" ] || [ "$reference" != "$sent" ]; then
    corvel_fail "of $sent presses corvel.exe received $program and the reference $reference."
fi
echo "bench: every figure printed for both programs, every press received"
