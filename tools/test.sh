#!/usr/bin/env bash
# The test command: installs what is missing, builds what the chosen steps need and runs
# their suites. Usage: tools/test.sh [STEP ...] (no step: all of them, as CI runs it);
# tools/test.sh --list names the steps:
#   checks    pictures, formatting, layering, the dependency check, clang-tidy
#   unit      native unit tests, plain and under AddressSanitizer/UndefinedBehaviorSanitizer
#             (needs no root, no X server and no Wine)
#   wine      the Win32 test programs and the end-to-end tests under Wine inside Xvfb, with
#             the feed chain's Linux servers (builds native and cross)
#   monitors  the end-to-end two-monitor tests on Xorg's dummy driver (root)
#   package   the deploy units, their exposure, the nginx snippet and the Debian package
#             of zarvane-feed (installed on this machine and purged again; root)
#   release   tools/package.sh twice and the installer under Wine
#   fuzz      each fuzzer for FUZZ_SECONDS
# Needs no display and no standard input. Ends with a summary; exits nonzero on failure.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

# Per fuzzer: CI runs every fuzzer in turn, so this keeps the total bounded as fuzzers are
# added (tools/fuzz.sh runs them at volume).
FUZZ_SECONDS=${FUZZ_SECONDS:-15}
E2E_EXTRA_SIZES=${E2E_EXTRA_SIZES:-"640x480 800x600 1280x1024"}
declare -a RESULTS=()
failed=0

record() { # name, status
  RESULTS+=("$(printf '%-48s %s' "$1" "$2")")
  [ "$2" = PASS ] || failed=1
}

run_suite() { # name, command...: the command's status
  local name=$1 status; shift
  echo "=== $name"
  "$@"
  status=$?
  if [ $status -eq 0 ]; then record "$name" PASS; else record "$name" FAIL; fi
  return $status
}

# Each build once per run, whichever steps ask for it: 0 once built.
declare -A BUILT=()
need_build() { # native|sanitize|cross|fuzz
  if [ -z "${BUILT[$1]:-}" ]; then
    case $1 in
    native) run_suite "native build" build_native "$BUILD/native" ;;
    sanitize) run_suite "sanitized build" build_native "$BUILD/sanitize" -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZARVANE_SANITIZE=ON ;;
    cross) run_suite "cross build (zarvane.scr)" build_cross ;;
    fuzz) run_suite "fuzz build" build_fuzz ;;
    esac
    BUILT[$1]=$?
  fi
  return "${BUILT[$1]}"
}

FEED="$BUILD/native/service/zarvane-feed"
CHAIN=""
declare -a CHAIN_PIDS=()

# The deploy units pass systemd-analyze verify without a word (it warns about unknown keys
# and bad values but still exits 0), with ExecStart pointing at the built program and
# their Documentation= manual page found in the tree.
check_units() {
  local dir out status
  dir=$(mktemp -d)
  mkdir -p "$dir/units" "$dir/man/man1"
  cp "$ROOT/service/zarvane-feed.1" "$dir/man/man1/"
  for unit in "$ROOT"/deploy/*.service "$ROOT"/deploy/*.timer; do
    sed "s|/usr/bin/zarvane-feed|$FEED|" "$unit" >"$dir/units/$(basename "$unit")"
  done
  out=$(MANPATH="$dir/man" systemd-analyze verify "$dir"/units/* 2>&1)
  status=$?
  rm -rf "$dir"
  echo "$out"
  [ $status -eq 0 ] && [ -z "$out" ]
}

# The services' exposure (systemd-analyze security, offline): printed, and at most 2.5 each.
check_exposure() {
  local unit line score status=0
  for unit in "$ROOT"/deploy/*.service; do
    line=$(cd / && systemd-analyze security --offline=true "$unit" 2>&1 | grep 'Overall exposure level')
    echo "$line"
    score=$(sed -n 's/.*: \([0-9.]*\) .*/\1/p' <<<"$line")
    awk -v s="${score:-99}" 'BEGIN { exit !(s <= 2.5) }' || status=1
  done
  return $status
}

# The nginx snippet passes nginx -t inside the test's own configuration, and serves the
# two API outputs that `build` writes with their types, the CORS header and 304 for a
# known ETag, as the embedded server does. Under /tmp, so that nginx's workers can read it.
check_nginx_snippet() {
  local dir port status=0 path type etag pid
  dir=$(mktemp -d /tmp/zarvane-nginx.XXXXXX)
  chmod 755 "$dir"
  port=$(free_port)
  nginx_feed_config "$dir" "$port" "$dir/www"
  nginx -t -q -e "$dir/error.log" -p "$dir" -c "$dir/nginx.conf" || { rm -rf "$dir"; return 1; }
  dated_samples "$dir/samples"
  mkdir -p "$dir/www/RirozIrid"
  chmod -R a+rX "$dir"
  "$FEED" build $(sample_sources "$dir/samples") --max-age "$SAMPLE_MAX_AGE" \
    --output "$dir/www/RirozIrid/ssaver.dat" --json "$dir/www/storms.json" \
    --geojson "$dir/www/storms.geojson" || status=1
  nginx -e "$dir/error.log" -p "$dir" -c "$dir/nginx.conf" -g 'daemon off;' &
  pid=$!
  wait_for_status "http://127.0.0.1:$port/storms.json" 200 || status=1
  for path in "storms.json application/json" "storms.geojson application/geo+json"; do
    set -- $path
    type=$(curl -s -D - -o /dev/null "http://127.0.0.1:$port/$1")
    etag=$(sed -n 's/^ETag: *\(.*\)\r$/\1/Ip' <<<"$type")
    grep -qi "^Content-Type: $2" <<<"$type" && grep -qi '^Access-Control-Allow-Origin: \*' <<<"$type" ||
      { echo "/$1 through nginx:"; echo "$type"; status=1; }
    [ "$(curl -s -o /dev/null -w '%{http_code}' -H "If-None-Match: $etag" \
      "http://127.0.0.1:$port/$1")" = 304 ] || { echo "/$1: no 304 for its ETag $etag"; status=1; }
  done
  kill -QUIT "$pid"
  wait "$pid"
  rm -rf "$dir"
  return $status
}

# The Linux half of the chain tests, named to the Windows test program in the environment:
# the embedded server over the samples, one whose only source is missing, and nginx over a
# web root that `build` writes. Under /tmp, so that nginx's workers can read it.
start_feed_chain() {
  CHAIN=$(mktemp -d /tmp/zarvane-chain.XXXXXX)
  chmod 755 "$CHAIN"
  mkdir -p "$CHAIN/www/RirozIrid"
  dated_samples "$CHAIN/samples"
  # The sample storms of the NHC file: three groups, six storms, fit the panel.
  local sources=(--source "nhc=$CHAIN/samples/nhc-CurrentStorms.json" --max-age "$SAMPLE_MAX_AGE")
  "$FEED" serve --listen 127.0.0.1:0 "${sources[@]}" 2>"$CHAIN/serve.log" &
  CHAIN_PIDS+=($!)
  "$FEED" serve --listen 127.0.0.1:0 --source "nhc=$CHAIN/absent.json" 2>"$CHAIN/nofeed.log" &
  CHAIN_PIDS+=($!)
  "$FEED" build "${sources[@]}" --output "$CHAIN/www/RirozIrid/ssaver.dat" || return 1
  local nginx_port
  nginx_port=$(free_port)
  nginx_feed_config "$CHAIN/nginx" "$nginx_port" "$CHAIN/www"
  nginx -e "$CHAIN/nginx/error.log" -p "$CHAIN/nginx" -c "$CHAIN/nginx/nginx.conf" -g 'daemon off;' &
  CHAIN_PIDS+=($!)
  export ZARVANE_FEED_SERVE_HOST="127.0.0.1:$(serve_port "$CHAIN/serve.log")"
  export ZARVANE_FEED_NOFEED_HOST="127.0.0.1:$(serve_port "$CHAIN/nofeed.log")"
  export ZARVANE_FEED_NGINX_HOST="127.0.0.1:$nginx_port"
  echo "serve $ZARVANE_FEED_SERVE_HOST, no feed $ZARVANE_FEED_NOFEED_HOST, nginx $ZARVANE_FEED_NGINX_HOST"
  # Ready once each answers the feed's path as it should: 200, 503, 200.
  for host_status in "$ZARVANE_FEED_SERVE_HOST 200" "$ZARVANE_FEED_NOFEED_HOST 503" \
    "$ZARVANE_FEED_NGINX_HOST 200"; do
    set -- $host_status
    wait_for_status "http://$1/RirozIrid/ssaver.dat" "$2" || return 1
  done
}

# Stops the chain's servers: both zarvane-feed servers must end with 0 on SIGTERM, and the
# embedded one must have served the saver's own request.
stop_feed_chain() {
  [ -n "$CHAIN" ] || return 0
  local status=0 pid
  for pid in "${CHAIN_PIDS[@]:0:2}"; do
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" || { echo "zarvane-feed serve ($pid) ended with $?"; status=1; }
  done
  kill -QUIT "${CHAIN_PIDS[2]}" 2>/dev/null
  wait "${CHAIN_PIDS[2]}" 2>/dev/null
  grep -q '"GET /RirozIrid/ssaver.dat HTTP/1.0" 200 ' "$CHAIN/serve.log" ||
    { echo "the saver's request is not in the server's log"; status=1; }
  grep -q '"GET /RirozIrid/ssaver.dat HTTP/1.0" 503 ' "$CHAIN/nofeed.log" ||
    { echo "no 503 for the saver in the log of the server without a feed"; status=1; }
  tail -n 3 "$CHAIN/serve.log"
  rm -rf "$CHAIN"
  CHAIN=""
  CHAIN_PIDS=()
  return $status
}

# A desk of two monitors on Xorg's dummy driver, with a Wine prefix of its own: the other
# monitor right of the primary (and, in that arrangement, moved below it while the saver
# runs), then left of it. Each run is bounded: these must not stretch CI.
run_two_monitor_suites() { # e2e program
  local e2e=$1 side
  run_suite "Xorg dummy server, two monitors" start_xorg_dummy "$BUILD/xorg-monitors"
  [ -n "$XORG_PID" ] || return 0
  for side in right left; do
    stop_wine
    arrange_monitors "$side" || { record "two monitors arranged ($side)" FAIL; continue; }
    if [ "$side" = right ]; then fresh_wine_prefix "$BUILD/wine-monitors"; fi
    # The change while the saver runs starts from the other monitor on the right only.
    ZARVANE_MONITORS="$side" WINE_TEST_SECONDS=300 run_suite \
      "e2e_tests TwoMonitors (Wine, Xorg dummy, other $side)" \
      run_wine_test "e2e_tests-monitors-$side" "$e2e" --gtest_filter='TwoMonitors.*'
  done
  stop_wine
  stop_xorg_dummy
}

cleanup() { stop_feed_chain >/dev/null 2>&1; stop_wine; stop_xvfb; stop_xorg_dummy; }

# Windows programs run as the test command runs them: in one Xvfb screen and one Wine
# prefix. Each writes its results unbuffered and as gtest XML into $WINE_RESULTS, so that a
# program that ends abnormally still shows the last test it began.
WINE_RESULTS="$BUILD/wine-results"
run_wine_test() { # result-name, program, arguments...
  local out="$WINE_RESULTS/$1" status; shift
  mkdir -p "$WINE_RESULTS"
  rm -f "$out.xml"
  timeout "${WINE_TEST_SECONDS:-1200}" wine "$@" --gtest_color=no --gtest_output="xml:Z:$out.xml" </dev/null | tee "$out.log"
  status=${PIPESTATUS[0]}
  if ! grep -qE '^\[  (PASSED|FAILED)  \] ' "$out.log"; then
    echo "$(basename "$1") ended without gtest's summary (exit $status, last test begun:" \
      "$(grep -E '^\[ RUN      \]' "$out.log" | tail -n1 | cut -c14-))"
    [ "$status" -ne 0 ] || status=1
  fi
  return "$status"
}

step_checks() {
  run_suite "pictures" python3 "$ROOT/tools/pictures/check-pictures.py" "$ROOT/resources"
  run_suite "formatting (clang-format)" "$ROOT/tools/check-tree.sh" format
  run_suite "layering (shell on top; service meets saver in the feed format)" \
    "$ROOT/tools/check-tree.sh" layering
  run_suite "dependency check (every program from a package installed)" "$ROOT/tools/check-deps.py"
  need_build native &&
    run_suite "clang-tidy (saver core, zarvane-feed)" "$ROOT/tools/check-tree.sh" tidy "$BUILD/native"
}

step_unit() {
  need_build native &&
    run_suite "native unit tests" ctest --test-dir "$BUILD/native" --output-on-failure -j "$JOBS"
  need_build sanitize &&
    run_suite "sanitized unit tests (ASan+UBSan)" \
      env ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$BUILD/sanitize" --output-on-failure -j "$JOBS"
}

step_package() {
  need_build native || return
  run_suite "zarvane-feed units (systemd-analyze verify)" check_units
  run_suite "zarvane-feed units' exposure (at most 2.5)" check_exposure
  run_suite "zarvane-feed nginx snippet (nginx -t, the API outputs served)" check_nginx_snippet
  run_suite "zarvane-feed Debian package (lintian, install, upgrade, purge)" "$ROOT/tests/package/run.sh"
}

# The feed chain's servers are the native zarvane-feed.
step_wine() {
  need_build native && need_build cross || return
  local program e2e size
  start_xvfb 1024x768
  fresh_wine_prefix "$BUILD/wine-test"
  run_suite "feed chain servers (zarvane-feed serve, build, nginx)" start_feed_chain
  run_suite "exit code -1 reaches the shell as 255" \
    bash -c 'wine "$0" /x </dev/null; test $? -eq 255' "$ZARVANE_SCR"
  while IFS= read -r program; do
    run_suite "$(basename "$program" .exe) (Wine, 1024x768)" \
      run_wine_test "$(basename "$program" .exe)" "$program"
  done < <(find "$BUILD/win/tests" -name '*_tests.exe' ! -name installer_tests.exe | sort)
  run_suite "feed chain servers stop cleanly, saver's requests logged" stop_feed_chain
  e2e="$BUILD/win/tests/e2e/e2e_tests.exe"
  for size in $E2E_EXTRA_SIZES; do
    stop_wine; stop_xvfb
    start_xvfb "$size"
    run_suite "e2e_tests ScreenSize* (Wine, $size)" \
      run_wine_test "e2e_tests-$size" "$e2e" --gtest_filter='ScreenSize*'
  done
  cleanup
}

step_monitors() {
  need_build cross && run_two_monitor_suites "$BUILD/win/tests/e2e/e2e_tests.exe"
  cleanup
}

# The setup installs into the system folder: its suite makes a Wine prefix of its own.
step_release() {
  need_build cross && run_suite "release: package twice, installer (Wine)" "$ROOT/tests/release/run.sh"
}

# Fuzzers: clang's libFuzzer with the sanitizers, each for a bounded time.
step_fuzz() {
  need_build fuzz || return
  local fuzzer name corpus
  while IFS= read -r fuzzer; do
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    fuzz_seeds "$name" "$corpus"
    run_suite "$name ($FUZZ_SECONDS s)" \
      "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 "$corpus"
    rm -rf "$corpus"
  done < <(list_fuzzers)
}

STEPS=(checks unit package wine monitors release fuzz)
case "${1:-}" in
--list) printf '%s\n' "${STEPS[@]}"; exit 0 ;;
-h | --help) sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
esac
chosen=("${@:-${STEPS[@]}}")
for step in "${chosen[@]}"; do
  [[ " ${STEPS[*]} " == *" $step "* ]] || { echo "no step named $step (steps: ${STEPS[*]})" >&2; exit 2; }
done

trap cleanup EXIT
"$ROOT/tools/install-deps.sh" || { echo "could not install the packages"; exit 1; }

# The real storm sample files, when this checkout sits beside them: the feed builder's
# real-data suite reads them (and skips when they are absent).
if [ -z "${ZARVANE_STORM_DATA:-}" ] && [ -d "$ROOT/../shared/data/storms" ]; then
  export ZARVANE_STORM_DATA="$ROOT/../shared/data/storms"
fi
export ZARVANE_SCR="$BUILD/win/src/zarvane.scr"

for step in "${chosen[@]}"; do
  "step_$step"
done

echo
echo "=== Summary"
printf '%s\n' "${RESULTS[@]}"
if [ $failed -ne 0 ]; then echo "SOME SUITES FAILED"; exit 1; fi
echo "ALL SUITES PASSED"
