# Shared by the project's commands: build folders, Xvfb and fresh Wine prefixes.
# Source it; it defines functions and sets ROOT and BUILD.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${ZARVANE_BUILD:-$ROOT/build}
JOBS=${JOBS:-$(nproc)}

build_native() { # folder, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

build_cross() {
  build_native "$BUILD/win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" "$@"
}

XVFB_PID=""
# start_xvfb WxH: a private X server with software OpenGL; exports DISPLAY.
start_xvfb() {
  local size=$1 fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp +extension GLX 3>"$fdfile" 2>/dev/null &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# fresh_wine_prefix folder: a new 64-bit Wine prefix that never touches ~/.wine.
fresh_wine_prefix() {
  export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all
  # No Mono or Gecko installers: they would ask questions nobody can answer here.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Wine otherwise waits up to 2 s for a window manager when a full-screen window closes.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  unset WINEDLLOVERRIDES
}

stop_wine() {
  wineserver -k 2>/dev/null || true
}

# build_fuzz: the libFuzzer programs (clang, with the sanitizers) in $BUILD/fuzz.
build_fuzz() {
  build_native "$BUILD/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZARVANE_FUZZ=ON
}

# list_fuzzers: every fuzzer program built, one path a line. Each named fuzz_* has its
# seed corpus, if any, in tests/fuzz/corpus/<name>.
list_fuzzers() {
  find "$BUILD/fuzz" -type f -executable -name 'fuzz_*' | sort
}
