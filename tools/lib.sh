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

XORG_PID=""
XORG_MODES='"1024x768" "1280x1024" "800x600"'
# start_xorg_dummy folder: a private Xorg server on the dummy driver, whose outputs DUMMY0
# to DUMMY15 arrange_monitors places as monitors: Xvfb cannot show Wine two monitors side
# by side (with +xinerama both land at 0,0). Needs root. Takes the first free display
# from :60 up (others' servers and locks are left alone), keeps its config and log in
# folder and exports DISPLAY; false when no server came up.
start_xorg_dummy() {
  local dir=$1 n
  mkdir -p "$dir"
  xorg_dummy_config >"$dir/xorg.conf"
  for n in $(seq 60 99); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xorg ":$n" -config "$dir/xorg.conf" -noreset -nolisten tcp -novtswitch -sharevts \
      -logfile "$dir/xorg.log" >/dev/null 2>&1 &
    XORG_PID=$!
    for _ in $(seq 100); do # up to 10 s
      if DISPLAY=":$n" xrandr --query >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$XORG_PID" 2>/dev/null || break # lost the display to another server
      sleep 0.1
    done
    stop_xorg_dummy
  done
  echo "no Xorg dummy server came up (log: $dir/xorg.log)" >&2
  return 1
}

stop_xorg_dummy() {
  if [ -n "$XORG_PID" ]; then
    kill "$XORG_PID" 2>/dev/null || true
    wait "$XORG_PID" 2>/dev/null || true
    XORG_PID=""
  fi
}

# The dummy driver's config: one device with room for a desk of two large monitors, the
# modes by their VESA timings, and no input devices taken from the machine.
xorg_dummy_config() {
  cat <<CONF
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoAddGPU" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0 - 1000.0
  VertRefresh 5.0 - 200.0
  Modeline "800x600" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync
  Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
  Modeline "1280x1024" 109.00 1280 1368 1496 1712 1024 1027 1034 1063 -hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes $XORG_MODES
    Virtual 2560 2048
  EndSubSection
EndSection
CONF
}

# arrange_monitors right|left [primary-mode [other-mode]]: the primary DUMMY0 (1024x768
# unless named) and DUMMY1 (1280x1024 unless named) beside it on that side, tops aligned.
# Run it while no Wine program runs: Wine reads the monitors when it starts.
arrange_monitors() {
  local side=$1 primary=${2:-1024x768} other=${3:-1280x1024} width height first second
  width=$((${primary%x*} + ${other%x*}))
  height=$(( ${primary#*x} > ${other#*x} ? ${primary#*x} : ${other#*x} ))
  xrandr --addmode DUMMY1 "$other" 2>/dev/null
  first="--output DUMMY0 --mode $primary --primary"
  second="--output DUMMY1 --mode $other"
  if [ "$side" = right ]; then
    xrandr --fb "${width}x$height" $first --pos 0x0 $second --pos "${primary%x*}x0" || return 1
  else
    xrandr --fb "${width}x$height" $second --pos 0x0 $first --pos "${other%x*}x0" || return 1
  fi
  # A plain query once: without it Wine may still read the outputs as they were.
  xrandr --query >/dev/null
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

# seed_length folder: the longest seed of folder in bytes, within 4 KiB and 64 KiB: the
# fuzzer's input length, so that a real sample is fuzzed whole.
seed_length() {
  local longest
  longest=$(find "$1" -type f -printf '%s\n' 2>/dev/null | sort -n | tail -n1)
  longest=${longest:-0}
  [ "$longest" -lt 4096 ] && longest=4096
  [ "$longest" -gt 65536 ] && longest=65536
  echo "$longest"
}

# fuzz_seeds name folder: fills folder with the seeds of fuzzer name: its corpus in
# tests/fuzz/corpus/<name> and, for a source reader, the real sample files of its format
# from the shared storm data (ZARVANE_STORM_DATA, else ../shared/data/storms beside the
# tree), which are copied at run time and never kept in the tree.
fuzz_seeds() {
  local name=$1 folder=$2 data=${ZARVANE_STORM_DATA:-$ROOT/../shared/data/storms} pattern=""
  mkdir -p "$folder"
  cp -r "$ROOT/tests/fuzz/corpus/$name/." "$folder/" 2>/dev/null || true
  case $name in
    fuzz_nhc_reader) pattern='*.CurrentStorms.json' ;;
    fuzz_nhc_rss_reader) pattern='*.index.xml' ;;
    fuzz_atcf_reader) pattern='*.dat' ;;
    fuzz_jtwc_reader) pattern='*.txt' ;;
    fuzz_ibtracs_reader) pattern='*ibtracs*.csv' ;;
    fuzz_tcvitals_reader) pattern='*vitals*' ;;
  esac
  if [ -n "$pattern" ] && [ -d "$data" ]; then
    find "$data" -maxdepth 1 -type f -name "$pattern" -exec cp {} "$folder/" \;
  fi
}

# nginx_feed_config folder port webroot [workers [connections]]: an nginx configuration of its own in
# folder (pid, logs and temporary files there) listening on 127.0.0.1:port and serving
# the deploy snippet over webroot, for the tests and the benchmark.
nginx_feed_config() {
  local dir=$1 port=$2 webroot=$3 workers=${4:-1} connections=${5:-4096}
  mkdir -p "$dir/tmp"
  sed "s|/var/lib/zarvane-feed/www|$webroot|" "$ROOT/deploy/nginx-zarvane-feed.conf" \
    >"$dir/zarvane-feed.conf"
  cat >"$dir/nginx.conf" <<CONF
worker_processes $workers;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections $connections; }
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
