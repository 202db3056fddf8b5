#!/usr/bin/env bash
# Runs a Windows executable under Wine; CMake's cross-compiling emulator.
# Usage: wine-run.sh PROGRAM[.exe] [ARGS...]; the exit code is the program's.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
[ -n "${TALVERA_ENV:-}" ] || . "$here/env.sh"
[ -f "$WINEPREFIX/system.reg" ] || "$here/make-prefix.sh"
exe=$1; shift
if [ ! -e "$exe" ] && [ -e "$exe.exe" ]; then exe=$exe.exe; fi   # literal add_test paths lack .exe
exec "$here/wine" "$exe" "$@"
