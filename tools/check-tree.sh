#!/usr/bin/env bash
# Checks of the source tree itself, run by the test command:
#   format     - every C++ file under src/, service/ and tests/ is as clang-format (.clang-format)
#                would write it;
#   layering   - no file of src/ outside src/shell, and no test of a subsystem below the
#                shell, includes a header of src/shell: the shell sits on top and hands
#                down what the others need. tests/shell and the end-to-end tests
#                (tests/e2e), which drive the whole program, may. The two programs meet
#                only in the feed format: src/feed_format includes nothing else of the
#                saver, and every header that service/ includes is its own or the feed
#                format's. service/core is pure: no header of the shell, no libcurl, no
#                HTTP library, sockets, file streams or threads;
#   tidy       - clang-tidy (.clang-tidy) over the native sources of the saver's core and
#                of service/, from the compile commands of a native build (default
#                build/native), two files at a time.
# Usage: tools/check-tree.sh format|layering|tidy [BUILD-FOLDER]
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

INCLUDE='^[[:space:]]*#[[:space:]]*include[[:space:]]*'

# report title lines...: prints the offending include lines under a title; 1 if any.
report() {
  local title=$1; shift
  [ -n "$*" ] || return 0
  echo "$title"
  printf '%s\n' "$@"
  return 1
}

# Quoted includes in service/ that name neither a file of service/ (from service/ or from
# the including file's folder) nor a header of the feed format.
foreign_in_service() {
  local file line header
  while IFS= read -r file; do
    while IFS= read -r line; do
      header=$(sed -E 's/^[^"]*"([^"]+)".*/\1/' <<<"${line#*:}")
      case $header in feed_format/*) continue ;; esac
      [ -f "service/$header" ] || [ -f "$(dirname "$file")/$header" ] || echo "$file:$line"
    done < <(grep -nE "$INCLUDE\"" "$file")
  done < <(sources service)
}

check_layering() {
  local status=0
  report "shell headers included below the shell:" "$(sources src tests |
    grep -vE '^(src/shell|tests/shell|tests/e2e)/' | xargs grep -nE "$INCLUDE\"shell/")" ||
    status=1
  report "the feed format includes another part of the saver:" "$(sources src/feed_format |
    xargs grep -nE "$INCLUDE\"" | grep -vE ':[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"feed_format/')" ||
    status=1
  report "service/ includes a header that is neither its own nor the feed format's:" \
    "$(foreign_in_service)" || status=1
  report "service/core includes the shell, libcurl, the HTTP library, sockets, files or threads:" \
    "$(sources service/core | xargs grep -nE "$INCLUDE(\"shell/|<(curl/|microhttpd\.h|boost/(beast|asio)|sys/socket\.h|netinet/|arpa/|fstream|filesystem|thread|mutex|shared_mutex|condition_variable|future|pthread\.h))")" ||
    status=1
  return $status
}

check_tidy() {
  local build=${1:-build/native}
  [ -f "$build/compile_commands.json" ] || {
    echo "no $build/compile_commands.json: build natively first"
    return 1
  }
  # WarningsAsErrors in .clang-tidy: any finding fails the file, and so the run.
  local files=0 status
  run-clang-tidy -p "$build" -j 2 -quiet "^$ROOT/(src|service/(core|shell))/" >"$build/tidy.log" 2>&1
  status=$?
  grep -vE '^(clang-tidy|[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed|Use -header-filter|Running clang-tidy|[0-9]+ warnings? treated as errors?)' \
    "$build/tidy.log"
  files=$(grep -c '^clang-tidy' "$build/tidy.log")
  echo "clang-tidy: $files files, $([ "$status" -eq 0 ] && echo "no finding" || echo "FINDINGS above")"
  return "$status"
}

case "${1:-}" in
format) check_format ;;
layering) check_layering ;;
tidy) check_tidy "${2:-}" ;;
*)
  echo "usage: $0 format|layering|tidy [BUILD-FOLDER]" >&2
  exit 2
  ;;
esac
