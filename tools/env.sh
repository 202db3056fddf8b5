# Environment shared by the build, test and run scripts. Source it; do not run it.
# Overridable from outside: TALVERA_CACHE, WINEDEBUG, TALVERA_FORCE_WIN64=1 (test the
# 64-bit fallback on a machine that runs 32-bit code).
TALVERA_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TALVERA_CACHE=${TALVERA_CACHE:-${HOME:-/root}/.cache/talvera}
export TALVERA_REPO TALVERA_CACHE

# --- Which Windows architecture runs the tests and the program here ----------------------
# The shipped program is always the i686 build (build/). Some machines run no 32-bit x86
# code at all (not even Wine's 32-bit loader); there the same sources are also built for
# x86_64 (build-x64/) and tests and runs use 64-bit Wine. The answer comes from running a
# tiny i386 program once, not from uname, and is kept in the cache.
talvera_probe_32bit() {
  local probe=$TALVERA_CACHE/probe-i386
  mkdir -p "$TALVERA_CACHE"
  # ELF32 i386: _exit(42) through int 0x80.
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$probe"
  chmod +x "$probe"
  local rc=0
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  if [ "$rc" = 42 ]; then echo yes; else echo no; fi
}
mkdir -p "$TALVERA_CACHE"
if [ ! -s "$TALVERA_CACHE/runs-32bit" ]; then
  talvera_probe_32bit > "$TALVERA_CACHE/runs-32bit.tmp"
  mv "$TALVERA_CACHE/runs-32bit.tmp" "$TALVERA_CACHE/runs-32bit"
fi
TALVERA_RUNS_32BIT=$(cat "$TALVERA_CACHE/runs-32bit")
if [ "$TALVERA_RUNS_32BIT" = yes ] && [ "${TALVERA_FORCE_WIN64:-0}" != 1 ]; then
  TALVERA_ARCH=i686
  export WINEARCH=win32
  TALVERA_WINE_LOADER=/usr/lib/wine/wine
else
  TALVERA_ARCH=x86_64
  export WINEARCH=win64
  TALVERA_WINE_LOADER=/usr/lib/wine/wine64
fi
export TALVERA_RUNS_32BIT TALVERA_ARCH TALVERA_WINE_LOADER

# Build folders: build/ is the shipped i686 program; build-x64/ the x86_64 twin made only
# where tests and runs need it. TALVERA_BUILD is the one the tests and tools/run use.
TALVERA_SHIP_BUILD=$TALVERA_REPO/build
if [ "$TALVERA_ARCH" = i686 ]; then
  TALVERA_BUILD=$TALVERA_SHIP_BUILD
else
  TALVERA_BUILD=$TALVERA_REPO/build-x64
fi
talvera_toolchain() { echo "$TALVERA_REPO/cmake/mingw-$1-posix.cmake"; }
talvera_deps() { echo "$TALVERA_CACHE/deps-$1"; }
TALVERA_DEPS=$(talvera_deps "$TALVERA_ARCH")
TALVERA_TOOLCHAIN=$(talvera_toolchain "$TALVERA_ARCH")
export TALVERA_SHIP_BUILD TALVERA_BUILD TALVERA_DEPS TALVERA_TOOLCHAIN

# --- Wine ---------------------------------------------------------------------------------
# tools/wine is the one way the scripts start Wine; these are its settings. Each checkout
# gets its own prefix, so two working copies never share a wineserver.
talvera_repo_key=$(printf '%s' "$TALVERA_REPO" | sha1sum | cut -c1-8)
export WINEPREFIX=$TALVERA_CACHE/wine-$WINEARCH-$talvera_repo_key
export WINELOADER=$TALVERA_WINE_LOADER
# The 64-bit server serves 32-bit and 64-bit prefixes alike; the 32-bit one only where it runs.
# Chosen by name, not by what is installed yet: on a fresh machine this file is read before
# tools/setup installs Wine, and setup always installs the 64-bit half.
if [ ! -x /usr/lib/wine/wineserver64 ] && [ -x /usr/lib/wine/wineserver32 ]; then
  export WINESERVER=/usr/lib/wine/wineserver32
else export WINESERVER=/usr/lib/wine/wineserver64; fi
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
