#!/usr/bin/env bash
# The test command: installs what is missing, builds both builds and runs every suite:
# native unit tests (plain and under AddressSanitizer/UndefinedBehaviorSanitizer), the
# Win32 test programs and the end-to-end tests under Wine inside Xvfb, the release suite
# (tools/package.sh and the installer under Wine), and the fuzzers.
# Needs no display and no standard input. Ends with a summary; exits nonzero on failure.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

# Per fuzzer: CI runs every fuzzer in turn, so this keeps the total bounded as fuzzers are
# added (tools/fuzz.sh runs them at volume).
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
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

cleanup() { stop_wine; stop_xvfb; }
trap cleanup EXIT

"$ROOT/tools/install-deps.sh" || { echo "could not install the packages"; exit 1; }

# The real storm sample files, when this checkout sits beside them: the feed builder's
# real-data suite reads them (and skips when they are absent).
if [ -z "${ZARVANE_STORM_DATA:-}" ] && [ -d "$ROOT/../shared/data/storms" ]; then
  export ZARVANE_STORM_DATA="$ROOT/../shared/data/storms"
fi

run_suite "pictures" python3 "$ROOT/tools/pictures/check-pictures.py" "$ROOT/resources"
run_suite "formatting (clang-format)" "$ROOT/tools/check-tree.sh" format
run_suite "no shell header below the shell" "$ROOT/tools/check-tree.sh" layering
run_suite "native build" build_native "$BUILD/native"
run_suite "native unit tests" ctest --test-dir "$BUILD/native" --output-on-failure -j "$JOBS"
run_suite "sanitized build" build_native "$BUILD/sanitize" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZARVANE_SANITIZE=ON
run_suite "sanitized unit tests (ASan+UBSan)" \
  env ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$BUILD/sanitize" --output-on-failure -j "$JOBS"
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
  run_suite "exit code -1 reaches the shell as 255" \
    bash -c 'wine "$0" /x </dev/null; test $? -eq 255' "$SCR"
  while IFS= read -r program; do
    run_suite "$(basename "$program" .exe) (Wine, 1024x768)" run_wine_test "$program"
  done < <(find "$BUILD/win/tests" -name '*_tests.exe' ! -name installer_tests.exe | sort)
  e2e=$(find "$BUILD/win/tests" -name 'e2e_tests.exe' | head -n1)
  if [ -n "$e2e" ]; then
    for size in $E2E_EXTRA_SIZES; do
      stop_wine; stop_xvfb
      start_xvfb "$size"
      run_suite "e2e_tests ScreenSize* (Wine, $size)" run_wine_test "$e2e" --gtest_filter='ScreenSize*'
    done
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
    cp -r "$ROOT/tests/fuzz/corpus/$name/." "$corpus/" 2>/dev/null || true
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
