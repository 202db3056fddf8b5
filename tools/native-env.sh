# Shared by tools/native, tools/fuzz and tools/bench. Source it; do not run it.
# Installs the Debian packages of the native build when missing and sets the
# compiler and the build folders.
TALVERA_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TALVERA_NATIVE_BUILD=${TALVERA_NATIVE_BUILD:-$TALVERA_REPO/build-native}
TALVERA_BENCH_BUILD=${TALVERA_BENCH_BUILD:-$TALVERA_REPO/build-native-bench}

native_packages=(clang libclang-rt-14-dev cmake ninja-build googletest zlib1g-dev libjpeg62-turbo-dev libpng-dev)
native_missing=()
for p in "${native_packages[@]}"; do
  [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null)" = "ii " ] || native_missing+=("$p")
done
if [ ${#native_missing[@]} -gt 0 ]; then
  echo "native: installing ${native_missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" = 0 ] || sudo_cmd=(sudo -n)
  export DEBIAN_FRONTEND=noninteractive
  { "${sudo_cmd[@]}" apt-get -q -y -o DPkg::Lock::Timeout=600 update >/dev/null &&
    "${sudo_cmd[@]}" apt-get -q -y -o DPkg::Lock::Timeout=600 install --no-install-recommends \
      "${native_missing[@]}" </dev/null >/dev/null; } || { echo "native: apt-get failed" >&2; exit 1; }
fi
unset native_packages native_missing p

# clang 14 is the one whose sanitizer and libFuzzer runtimes are installed above.
if command -v clang++-14 >/dev/null; then
  TALVERA_CXX=clang++-14 TALVERA_CC=clang-14
else
  TALVERA_CXX=clang++ TALVERA_CC=clang
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Configures (once) and builds a native build folder: native_build DIR CMAKE-ARGS...
native_build() {
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$TALVERA_REPO/native" -B "$dir" -G Ninja -DCMAKE_C_COMPILER="$TALVERA_CC" \
      -DCMAKE_CXX_COMPILER="$TALVERA_CXX" "$@" >/dev/null
  fi
  cmake --build "$dir"
}
