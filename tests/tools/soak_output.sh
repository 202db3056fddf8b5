#!/usr/bin/env bash
# The soak on a program that crashes at its first input: what Wine writes for the program
# (the crash and its backtrace) lands in the run's logs/program-output.log, not in the soak's
# own output, and the crash check reads it from there.
# Runs inside the test display (tools/test); the soak's inner pass is called directly.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$repo/tools/env.sh"
fail() { echo "soak_output: $*"; exit 1; }
crasher=$TALVERA_BUILD/tools/soak_crasher.exe
[ -f "$crasher" ] || fail "$crasher is not built"
run=$TALVERA_BUILD/soak/soak_crasher-seed-7
out=$(TALVERA_SOAK_INNER=1 timeout 120 "$repo/tools/soak" --seed 7 --events 20 --exe "$crasher" \
        --class SoakCrasher 2>&1)
rc=$?
log=$run/logs/program-output.log
[ "$rc" = 1 ] || fail "the soak ended with $rc, not 1: $out"
grep -q "soak_crasher: input, crashing now" "$log" || fail "the program's own output is not in $log"
grep -q "^wine: Unhandled" "$log" || fail "the line Wine writes for the crashing program is not in $log"
echo "$out" | grep -q "the program crashed" || fail "the soak did not report the crash: $out"
echo "$out" | grep -q "Unhandled" || fail "the soak's report does not show Wine's crash report: $out"
rm -rf "$run"
echo "soak_output: passed"
