#!/usr/bin/env bash
# The benchmark command: builds the benchmark programs optimised and without sanitizers
# in build/bench, then runs each step of BENCH_STEPS in turn and prints its figures. Not
# part of tools/test.sh: the figures depend on the machine and on its load. Arguments are
# passed to every benchmark program, e.g. --benchmark_repetitions=5 or
# --benchmark_filter=Hostile.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

BENCH_BUILD="$BUILD/bench"

# One benchmark program per step, relative to $BENCH_BUILD.
BENCH_STEPS=(
  tests/bench/bench_feed_parser # storm feed parser: a realistic feed, hostile feeds
  tests/bench/bench_feed_merge  # feed service merging: 5,000 / 40,000 / 320,000 storms
)

"$ROOT/tools/install-deps.sh" || { echo "could not install the packages"; exit 1; }
build_native "$BENCH_BUILD" -DCMAKE_BUILD_TYPE=Release -DZARVANE_BENCH=ON || exit 1

failed=0
for step in "${BENCH_STEPS[@]}"; do
  echo "=== $step"
  "$BENCH_BUILD/$step" "$@" || { echo "FAILED: $step"; failed=1; }
done
echo "=== feed server: zarvane-feed serve and nginx under wrk"
BENCH_BUILD="$BENCH_BUILD" "$ROOT/tools/bench-feed.sh" || { echo "FAILED: feed server"; failed=1; }
echo "=== globe: the saver under Wine and glplanet"
"$ROOT/tools/bench-globe.sh" || { echo "FAILED: globe"; failed=1; }
exit $failed
