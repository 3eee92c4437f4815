#!/usr/bin/env bash
# Regenerates the README's pictures of the running saver: runs the demo with no display
# (it then writes build/demo-screenshot.png) and shrinks its screenshot to a small palette
# PNG. With no argument: docs/screenshot.png, one 1280x1024 screen. With "monitors":
# docs/screenshot-two-monitors.png, a desk of two monitors: the primary 1280x1024, tall
# enough for all eleven sample storms, and a 1024x768 one left of it (needs root for
# Xorg's dummy driver).
set -euo pipefail
. "$(dirname "$0")/lib.sh"

COLOURS=64 # the globe's shading survives this; the file stays well under 200 KB

if [ "${1:-}" = monitors ]; then
  WIDTH=1152 # the whole desk, 2304 pixels wide, at half size like the single screen
  out="$ROOT/docs/screenshot-two-monitors.png"
  env -u DISPLAY DEMO_MONITORS="left 1280x1024 1024x768" "$ROOT/tools/demo.sh"
else
  WIDTH=640 # enough to see the globe, the panel and the banner at a glance
  out="$ROOT/docs/screenshot.png"
  env -u DISPLAY "$ROOT/tools/demo.sh"
fi
mkdir -p "$ROOT/docs"
/usr/bin/convert "$BUILD/demo-screenshot.png" -resize "${WIDTH}x" -dither None \
  -colors "$COLOURS" -strip -define png:exclude-chunks=date,time "PNG8:$out"
ls -l "$out"
