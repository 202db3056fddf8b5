#!/usr/bin/env bash
# The Wine prefix copies of parallel soaks (tools/soak-prefix.sh): the big files Wine never
# writes are shared as hard links, everything else is a copy of its own, and the clean-up
# deletes left copies but never one a running soak holds.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/soak-prefix.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "soak_prefix: $*"; exit 1; }
inode() { stat -c %i "$1"; }

master=$tmp/wine-master
mkdir -p "$master/drive_c/windows/system32" "$master/drive_c/windows/Fonts"
head -c 100000 /dev/urandom >"$master/drive_c/windows/system32/user32.dll"
head -c 1000 /dev/urandom >"$master/drive_c/windows/Fonts/tahoma.TTF"
printf 'REGEDIT4\n' >"$master/system.reg"
printf '[windows]\n' >"$master/drive_c/windows/win.ini"

soak_prefix_make "$master" "$tmp/wine-master-7"
copy=$tmp/wine-master-7
for f in drive_c/windows/system32/user32.dll drive_c/windows/Fonts/tahoma.TTF; do
  [ "$(inode "$master/$f")" = "$(inode "$copy/$f")" ] || fail "$f is not shared"
done
for f in system.reg drive_c/windows/win.ini; do
  [ "$(inode "$master/$f")" != "$(inode "$copy/$f")" ] || fail "$f is shared"
  cmp -s "$master/$f" "$copy/$f" || fail "$f differs from the master"
done
# Written in place in the copy (as a profile write does), the master stays as it was.
printf 'changed\n' >"$copy/drive_c/windows/win.ini"
[ "$(cat "$master/drive_c/windows/win.ini")" = "[windows]" ] || fail "writing the copy changed the master"

# Made again over an old copy: the same layout, nothing of the old left.
touch "$copy/left-over"
soak_prefix_make "$master" "$copy"
[ ! -e "$copy/left-over" ] || fail "an old copy was not replaced"

# The clean-up: a held copy stays, a left one goes (with its lock file).
soak_prefix_make "$master" "$tmp/wine-master-8"
touch "$tmp/wine-master-8.lock"
exec 9>"$copy.inuse"
flock 9
soak_prefix_clean "$tmp"/wine-master-*
[ -d "$copy" ] || fail "a copy in use was deleted"
[ ! -e "$tmp/wine-master-8" ] && [ ! -e "$tmp/wine-master-8.lock" ] || fail "a left copy was kept"
[ -f "$master/system.reg" ] || fail "the master was touched"
exec 9>&-
soak_prefix_clean "$tmp"/wine-master-*
[ ! -e "$copy" ] || fail "a copy no longer in use was kept"
echo "soak_prefix: passed"
