#!/usr/bin/env bash
# A seed names one sequence of events: the soak runs the textbook twice on the seed of
# `tools/soak --ci` and compares the two event logs line by line. It stops at event 240: at
# event 292 that seed double-clicks a drop-down box whose open list then scrolls on its own timer
# for as long as the soak waits (not yet an event of one outcome).
# Runs inside the test display (tools/test); the soak's inner pass is called directly.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$repo/tools/env.sh"
fail() { echo "soak_replay: $*"; exit 1; }
exe=$TALVERA_BUILD/program/Talvera.exe
[ -f "$exe" ] || fail "$exe is not built"
out=$(TALVERA_SOAK_INNER=1 timeout 900 "$repo/tools/soak" --seeds 20261208 --events 240 --exe "$exe" --replay 2>&1)
rc=$?
[ "$rc" = 0 ] || fail "seed 20261208 ended with $rc: $(echo "$out" | grep -v '^ *[0-9]' | tail -n 40)"
echo "$out" | grep -Eq "soak: seed 20261208 replayed: the same [0-9]+ lines of event log" \
  || fail "seed 20261208: no line-by-line agreement reported: $(echo "$out" | tail -n 5)"
echo "soak_replay: passed"
