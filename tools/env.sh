# Environment shared by the build, test and run scripts. Source it; do not run it.
# Overridable from outside: TALVERA_CACHE, TALVERA_BUILD, WINEDEBUG.
TALVERA_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TALVERA_CACHE=${TALVERA_CACHE:-${HOME:-/root}/.cache/talvera}
TALVERA_DEPS=$TALVERA_CACHE/deps
TALVERA_BUILD=${TALVERA_BUILD:-$TALVERA_REPO/build}
TALVERA_TOOLCHAIN=$TALVERA_REPO/cmake/mingw-i686-posix.cmake
export TALVERA_REPO TALVERA_CACHE TALVERA_DEPS TALVERA_BUILD TALVERA_TOOLCHAIN

# One 32-bit Wine prefix for tests and runs, made by tools/make-prefix.sh.
export WINEPREFIX=$TALVERA_CACHE/wineprefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all,err+winediag}   # keeps "no driver could be loaded" visible
export WINEDLLOVERRIDES=mscoree,mshtml=            # never offer the Mono/Gecko installers

# Russian locale (ANSI code page 1251) from the private locale archive made by tools/setup.
# LC_* of the caller would override LANG, so they go.
unset LC_ALL LC_CTYPE LC_MESSAGES LC_COLLATE LC_NUMERIC LC_TIME LC_MONETARY LANGUAGE 2>/dev/null
export LOCPATH=$TALVERA_CACHE/locale
# Both silenced: bash itself warns while tools/setup has not made the locale yet.
export LANG=ru_RU.UTF-8 2>/dev/null

# Marks the environment as set, so that wine-run.sh keeps what CTest's ENVIRONMENT changed.
export TALVERA_ENV=1
