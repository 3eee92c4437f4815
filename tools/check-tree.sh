#!/usr/bin/env bash
# Checks of the source tree itself, run by the test command:
#   format     - every C++ file under src/, service/ and tests/ is as clang-format (.clang-format)
#                would write it;
#   layering   - no file of src/ outside src/shell, and no test of a subsystem below the
#                shell, includes a header of src/shell: the shell sits on top and hands
#                down what the others need. tests/shell and the end-to-end tests
#                (tests/e2e), which drive the whole program, may.
# Usage: tools/check-tree.sh format|layering
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT" || exit 1

sources() { # folders...
  find "$@" \( -name '*.cpp' -o -name '*.h' \) -not -path 'tests/fuzz/corpus/*' | sort
}

check_format() {
  local bad
  bad=$(sources src service tests | xargs clang-format --dry-run -Werror 2>&1 | grep -oE '^[^:]+\.(cpp|h)' | sort -u)
  if [ -n "$bad" ]; then
    echo "not formatted (run clang-format -i on them):"
    echo "$bad"
    return 1
  fi
}

check_layering() {
  local bad
  bad=$(sources src tests | grep -vE '^(src/shell|tests/shell|tests/e2e)/' |
    xargs grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"shell/' 2>/dev/null)
  if [ -n "$bad" ]; then
    echo "shell headers included below the shell:"
    echo "$bad"
    return 1
  fi
}

case "${1:-}" in
format) check_format ;;
layering) check_layering ;;
*)
  echo "usage: $0 format|layering" >&2
  exit 2
  ;;
esac
