#!/usr/bin/env bash
# A seed names one sequence of events: the soak runs the textbook and the skinned test program
# twice each on the seeds of `tools/soak --ci` and compares the two event logs line by line.
# Runs inside the test display (tools/test); the soak's inner pass is called directly.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$repo/tools/env.sh"
fail() { echo "soak_replay: $*"; exit 1; }
for run in "Talvera.exe 20261208 400" "skinapp/SkinApp.exe 20261209 300"; do
  set -- $run
  exe=$TALVERA_BUILD/program/$1
  [ "$1" = Talvera.exe ] || exe=$TALVERA_BUILD/$1
  [ -f "$exe" ] || fail "$exe is not built"
  out=$(TALVERA_SOAK_INNER=1 timeout 900 "$repo/tools/soak" --seeds "$2" --events "$3" --exe "$exe" --replay 2>&1)
  rc=$?
  [ "$rc" = 0 ] || fail "$(basename "$exe") seed $2 ended with $rc: $(echo "$out" | grep -v '^ *[0-9]' | tail -n 40)"
  echo "$out" | grep -Eq "soak: seed $2 replayed: the same [0-9]+ lines of event log" \
    || fail "$(basename "$exe") seed $2: no line-by-line agreement reported: $(echo "$out" | tail -n 5)"
done
echo "soak_replay: passed"
