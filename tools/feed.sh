#!/usr/bin/env bash
# Runs zarvane-feed, the storm feed builder, with the given arguments, building it first
# when needed (in build/native, with the packages it needs). For example:
#   tools/feed.sh build --output /var/www/RirozIrid/ssaver.dat
#   tools/feed.sh build --source atcf=bwp092026.dat --now 2026-07-06T12:00Z --output -
# Build messages go to standard error only when the build fails, so that
# `build --output -` prints nothing but the feed.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

"$ROOT/tools/install-deps.sh" >&2 || { echo "could not install the packages" >&2; exit 1; }
FEED_BUILD="$BUILD/native"
log=$(mktemp)
if ! { cmake -S "$ROOT" -B "$FEED_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
  cmake --build "$FEED_BUILD" --target zarvane-feed -j "$JOBS"; } >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "could not build zarvane-feed" >&2
  exit 1
fi
rm -f "$log"
exec "$FEED_BUILD/service/zarvane-feed" "$@"
