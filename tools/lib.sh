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
  local attempt
  for attempt in 1 2 3; do
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # wineboot has been seen to stop partway on a loaded machine, leaving a prefix in which
    # no program loads ("could not load kernel32.dll"): make it again.
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && [ -f "$WINEPREFIX/system.reg" ] && break
    echo "wineboot left an incomplete prefix in $WINEPREFIX (attempt $attempt)" >&2
  done
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

# nginx_feed_config folder port webroot [workers]: an nginx configuration of its own in
# folder (pid, logs and temporary files there) listening on 127.0.0.1:port and serving
# the deploy snippet over webroot, for the tests and the benchmark.
nginx_feed_config() {
  local dir=$1 port=$2 webroot=$3 workers=${4:-1}
  mkdir -p "$dir/tmp"
  sed "s|/var/lib/zarvane-feed/www|$webroot|" "$ROOT/deploy/nginx-zarvane-feed.conf" \
    >"$dir/zarvane-feed.conf"
  cat >"$dir/nginx.conf" <<CONF
worker_processes $workers;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 4096; }
http {
  access_log $dir/access.log;
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  server {
    listen 127.0.0.1:$port;
    include $dir/zarvane-feed.conf;
  }
}
CONF
}

# free_port: a loopback TCP port that nothing listens on at the moment of the call.
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# wait_for_status url status: waits (at most 20 s, a bound that catches a hang) until the
# URL answers with that HTTP status.
wait_for_status() {
  for _ in $(seq 200); do
    [ "$(curl -s -o /dev/null -w '%{http_code}' "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  echo "$1 did not answer $2"
  return 1
}

# SAMPLE_MAX_AGE: the --max-age that keeps the dated samples' storms (see dated_samples).
SAMPLE_MAX_AGE=48
# dated_samples folder: copies the sample storm sources (service/samples) into folder with
# their valid date, 2026-09-10, moved to yesterday (UTC), so that the builder keeps their
# storms under SAMPLE_MAX_AGE whenever this runs.
dated_samples() {
  local dir=$1 day digits
  day=$(date -u -d yesterday +%Y-%m-%d)
  digits=${day//-/}
  mkdir -p "$dir"
  for file in "$ROOT"/service/samples/*.json "$ROOT"/service/samples/*.dat; do
    sed -e "s/2026-09-10/$day/g" -e "s/20260910/$digits/g" "$file" >"$dir/$(basename "$file")"
  done
}

# sample_sources folder: the --source arguments for every dated sample in folder.
sample_sources() {
  local file
  for file in "$1"/*.json; do printf -- '--source\nnhc=%s\n' "$file"; done
  for file in "$1"/*.dat; do printf -- '--source\natcf=%s\n' "$file"; done
}

# serve_port log: the port that zarvane-feed serve reports in its log once it listens
# (waits at most 20 s); empty if it never does.
serve_port() {
  for _ in $(seq 200); do
    grep -q '^listening on ' "$1" 2>/dev/null && break
    sleep 0.1
  done
  sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$1" | head -n1
}
