#!/usr/bin/env bash
# The test command: installs what is missing, builds both builds and runs every suite:
# the tree checks (formatting, layering, clang-tidy), native unit tests (plain and under
# AddressSanitizer/UndefinedBehaviorSanitizer), the Debian package of zarvane-feed
# (installed on this machine and purged again), the Win32 test programs and the
# end-to-end tests under Wine inside Xvfb, the release suite (tools/package.sh and the
# installer under Wine), and the fuzzers.
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

run_suite() { # name, command...
  local name=$1; shift
  echo "=== $name"
  if "$@"; then record "$name" PASS; else record "$name" FAIL; fi
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

# The nginx snippet passes nginx -t inside the test's own configuration.
check_nginx_snippet() {
  local dir status
  dir=$(mktemp -d)
  nginx_feed_config "$dir" "$(free_port)" "$dir/www"
  nginx -t -q -e "$dir/error.log" -p "$dir" -c "$dir/nginx.conf"
  status=$?
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
    run_suite "e2e_tests TwoMonitors (Wine, Xorg dummy, other $side)" \
      env ZARVANE_MONITORS="$side" timeout 300 wine "$e2e" --gtest_color=no \
      --gtest_filter='TwoMonitors.*' </dev/null
  done
  stop_wine
  stop_xorg_dummy
}

cleanup() { stop_feed_chain >/dev/null 2>&1; stop_wine; stop_xvfb; stop_xorg_dummy; }
trap cleanup EXIT

"$ROOT/tools/install-deps.sh" || { echo "could not install the packages"; exit 1; }

# The real storm sample files, when this checkout sits beside them: the feed builder's
# real-data suite reads them (and skips when they are absent).
if [ -z "${ZARVANE_STORM_DATA:-}" ] && [ -d "$ROOT/../shared/data/storms" ]; then
  export ZARVANE_STORM_DATA="$ROOT/../shared/data/storms"
fi

run_suite "pictures" python3 "$ROOT/tools/pictures/check-pictures.py" "$ROOT/resources"
run_suite "formatting (clang-format)" "$ROOT/tools/check-tree.sh" format
run_suite "layering (shell on top; service meets saver in the feed format)" \
  "$ROOT/tools/check-tree.sh" layering
run_suite "native build" build_native "$BUILD/native"
run_suite "clang-tidy (saver core, zarvane-feed)" "$ROOT/tools/check-tree.sh" tidy "$BUILD/native"
run_suite "native unit tests" ctest --test-dir "$BUILD/native" --output-on-failure -j "$JOBS"
run_suite "sanitized build" build_native "$BUILD/sanitize" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZARVANE_SANITIZE=ON
run_suite "sanitized unit tests (ASan+UBSan)" \
  env ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$BUILD/sanitize" --output-on-failure -j "$JOBS"
run_suite "zarvane-feed units (systemd-analyze verify)" check_units
run_suite "zarvane-feed units' exposure (at most 2.5)" check_exposure
run_suite "zarvane-feed nginx snippet (nginx -t)" check_nginx_snippet
run_suite "zarvane-feed Debian package (lintian, install, upgrade, purge)" "$ROOT/tests/package/run.sh"
run_suite "cross build (zarvane.scr)" build_cross

# Windows programs: one Xvfb screen, one fresh Wine prefix for the whole run.
SCR="$BUILD/win/src/zarvane.scr"
export ZARVANE_SCR="$SCR"
run_wine_test() { # program, arguments...
  timeout 1200 wine "$@" --gtest_color=no </dev/null
}
if [ -f "$SCR" ]; then
  start_xvfb 1024x768
  fresh_wine_prefix "$BUILD/wine-test"
  run_suite "feed chain servers (zarvane-feed serve, build, nginx)" start_feed_chain
  run_suite "exit code -1 reaches the shell as 255" \
    bash -c 'wine "$0" /x </dev/null; test $? -eq 255' "$SCR"
  while IFS= read -r program; do
    run_suite "$(basename "$program" .exe) (Wine, 1024x768)" run_wine_test "$program"
  done < <(find "$BUILD/win/tests" -name '*_tests.exe' ! -name installer_tests.exe | sort)
  run_suite "feed chain servers stop cleanly, saver's requests logged" stop_feed_chain
  e2e=$(find "$BUILD/win/tests" -name 'e2e_tests.exe' | head -n1)
  if [ -n "$e2e" ]; then
    for size in $E2E_EXTRA_SIZES; do
      stop_wine; stop_xvfb
      start_xvfb "$size"
      run_suite "e2e_tests ScreenSize* (Wine, $size)" run_wine_test "$e2e" --gtest_filter='ScreenSize*'
    done
    stop_wine; stop_xvfb
    run_two_monitor_suites "$e2e"
  fi
  cleanup
  # The setup installs into the system folder: its suite makes a Wine prefix of its own.
  run_suite "release: package twice, installer (Wine)" "$ROOT/tests/release/run.sh"
fi

# Fuzzers: clang's libFuzzer with the sanitizers, each for a bounded time.
if [ -d "$ROOT/tests/fuzz" ]; then
  run_suite "fuzz build" build_fuzz
  while IFS= read -r fuzzer; do
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    fuzz_seeds "$name" "$corpus"
    run_suite "$name ($FUZZ_SECONDS s)" \
      "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 "$corpus"
    rm -rf "$corpus"
  done < <(list_fuzzers)
fi

echo
echo "=== Summary"
printf '%s\n' "${RESULTS[@]}"
if [ $failed -ne 0 ]; then echo "SOME SUITES FAILED"; exit 1; fi
echo "ALL SUITES PASSED"
