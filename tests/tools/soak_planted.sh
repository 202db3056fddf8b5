#!/usr/bin/env bash
# The soak catches faults planted in the skinned test program (its --fault switch): CI's short
# soak of the program with a brush leaked at every paint of a button fails and names the kind
# that climbed; a program that stops answering at its 3rd click fails with the seed and the last
# events. Runs inside the test display (tools/test); the soak's inner pass is called directly.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$repo/tools/env.sh"
fail() { echo "soak_planted: $*"; exit 1; }
exe=$TALVERA_BUILD/skinapp/SkinApp.exe
[ -f "$exe" ] || fail "$exe is not built"

# seed and events as in `tools/soak --ci`
run=$TALVERA_BUILD/soak/SkinApp-seed-20261209
out=$(TALVERA_SOAK_INNER=1 timeout 600 "$repo/tools/soak" --seeds 20261209 --events 400 --exe "$exe" \
        -- --args "--fault leak" 2>&1)
rc=$?
[ "$rc" = 1 ] || fail "the soak of the leaking program ended with $rc, not 1: $(echo "$out" | tail -n 30)"
echo "$out" | grep -q "handles leak:" || fail "the soak did not report a leak: $(echo "$out" | tail -n 30)"
echo "$out" | grep -Eq "brushes climbed from [0-9]+ \(event [0-9]+\) to [0-9]+ \(event [0-9]+\), beyond the bound of [0-9]+; last within it [0-9]+ \(event [0-9]+\): the growth is in events [0-9]+-[0-9]+" \
  || fail "the leak report does not name the brushes and the events: $(echo "$out" | grep -A3 'handles leak')"
rm -rf "$run"

run=$TALVERA_BUILD/soak/SkinApp-seed-11
out=$(TALVERA_SOAK_INNER=1 timeout 600 "$repo/tools/soak" --seeds 11 --events 200 --exe "$exe" \
        -- --args "--fault hang:3" 2>&1)
rc=$?
[ "$rc" = 1 ] || fail "the soak of the hanging program ended with $rc, not 1: $(echo "$out" | tail -n 30)"
echo "$out" | grep -Eq "SOAK FAILED seed=11 event=[0-9]+: window .* did not answer within" \
  || fail "the soak did not report the hang with its seed: $(echo "$out" | tail -n 30)"
echo "$out" | grep -Eq "^  #[0-9]+ .*click" || fail "the soak did not show the last events: $(echo "$out" | tail -n 30)"
echo "$out" | grep -q "replay with: tools/soak --seed 11" || fail "the soak did not say how to replay: $(echo "$out" | tail -n 5)"
rm -rf "$run"
echo "soak_planted: passed"
