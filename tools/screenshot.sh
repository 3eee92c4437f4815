#!/usr/bin/env bash
# Regenerates docs/screenshot.png, the README's picture of the running saver: runs the
# demo with no display (it then writes build/demo-screenshot.png) and shrinks its
# screenshot to a small palette PNG.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

WIDTH=640  # enough to see the globe, the panel and the banner at a glance
COLOURS=64 # the globe's shading survives this; the file stays well under 200 KB

env -u DISPLAY "$ROOT/tools/demo.sh"
mkdir -p "$ROOT/docs"
/usr/bin/convert "$BUILD/demo-screenshot.png" -resize "${WIDTH}x" -dither None \
  -colors "$COLOURS" -strip -define png:exclude-chunks=date,time \
  "PNG8:$ROOT/docs/screenshot.png"
ls -l "$ROOT/docs/screenshot.png"
