#!/usr/bin/env bash
# Runs a command on a private Xvfb display (1280x1024x24, or TALVERA_XVFB_SCREEN such as
# 1920x1200x24 for screenshots of larger work areas) with a warm wineserver.
# Usage: with-xvfb.sh COMMAND [ARGS...]; the exit code is the command's.
# The wineserver is started here, after DISPLAY is set, so that Wine's helper processes
# (explorer, services) get this display and do not hold CTest's output pipes open.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
[ -n "${TALVERA_ENV:-}" ] || . "$here/env.sh"

# One Wine prefix serves every run of this checkout, and each run restarts its wineserver:
# runs started side by side take turns instead of killing each other's programs.
mkdir -p "$TALVERA_CACHE"
exec 9>"$WINEPREFIX.lock"
flock 9

tmp=$(mktemp -d)
xvfb_pid=
cleanup() {
  "$here/wine" --server -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

Xvfb -displayfd 3 -screen 0 "${TALVERA_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$tmp/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[ -s "$tmp/display" ] || { echo "with-xvfb: Xvfb did not start:" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$tmp/display")"

[ -f "$WINEPREFIX/system.reg" ] || "$here/make-prefix.sh"
# A wineserver left from an earlier run would keep its helpers on another display.
"$here/wine" --server -k >/dev/null 2>&1 || true
"$here/wine" --server -p
"$here/wine" cmd.exe /c exit >/dev/null 2>&1 || true

set +e
"$@"
rc=$?
set -e
exit "$rc"
