#!/usr/bin/env bash
# The fuzzing command: builds the fuzzers (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer, in build/fuzz) and runs each for SECONDS (600 by default),
# one after the other, on inputs as long as its largest seed (at least 4 KiB, at most
# 64 KiB: a real sample cut short no longer reads, and so seeds nothing). Each starts from
# its seeds (tests/fuzz/corpus/<name> and, for a reader, the real sample files of its
# format: tools/lib.sh fuzz_seeds, gathered in build/fuzz-seeds/<name> at each run) and
# keeps what it learns in build/fuzz-corpus/<name>, so a later run goes on from there;
# crashing inputs are written to build/fuzz-crashes/<name>/. Prints, per fuzzer, the
# inputs run and any crash (its log is in build/fuzz-logs/<name>.log); exits nonzero if
# any fuzzer crashed.
# Usage: tools/fuzz.sh [SECONDS] [NAME-FILTER]  (the filter is a grep pattern on names)
set -uo pipefail
. "$(dirname "$0")/lib.sh"

SECONDS_EACH=${1:-600}
FILTER=${2:-}
declare -a RESULTS=()
failed=0

"$ROOT/tools/install-deps.sh" || { echo "could not install the packages"; exit 1; }
build_fuzz || { echo "could not build the fuzzers"; exit 1; }

while IFS= read -r fuzzer; do
  name=$(basename "$fuzzer")
  if [ -n "$FILTER" ] && ! grep -q -- "$FILTER" <<<"$name"; then
    continue
  fi
  corpus="$BUILD/fuzz-corpus/$name"
  crashes="$BUILD/fuzz-crashes/$name"
  mkdir -p "$corpus" "$crashes"
  seeds="$BUILD/fuzz-seeds/$name"
  rm -rf "$seeds"
  fuzz_seeds "$name" "$seeds"
  log="$BUILD/fuzz-logs/$name.log"
  mkdir -p "$(dirname "$log")"
  started="$log.started" # crashes of earlier runs stay, but are not reported again
  touch "$started"
  echo "=== $name: $SECONDS_EACH s, corpus $corpus"
  # The first folder receives new inputs; the seed folder is only read.
  "$fuzzer" -max_total_time="$SECONDS_EACH" -max_len="$(seed_length "$seeds")" \
    -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "$seeds" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  found=$(find "$crashes" -type f -newer "$started" | sort)
  if [ $status -eq 0 ] && [ -z "$found" ]; then
    RESULTS+=("$(printf '%-24s %12s inputs  no crash' "$name" "${runs:-?}")")
  else
    failed=1
    tail -n 40 "$log"
    RESULTS+=("$(printf '%-24s %12s inputs  CRASH (exit %s): %s' "$name" "${runs:-?}" "$status" \
      "$(echo "${found:-see $log}" | tr '\n' ' ')")")
  fi
done < <(list_fuzzers)

echo
echo "=== Fuzzing summary ($SECONDS_EACH s each)"
if [ ${#RESULTS[@]} -eq 0 ]; then
  echo "no fuzzer matched"
  exit 1
fi
printf '%s\n' "${RESULTS[@]}"
exit $failed
