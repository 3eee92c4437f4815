#!/usr/bin/env bash
# The demo command: installs what is missing, builds zarvane.scr and runs it full screen
# under Wine with a Wine prefix of its own under build/ (never ~/.wine). The storm feed
# is a bundled sample served over HTTP on loopback. On a display the saver runs until you
# touch the mouse or keyboard; with no display it runs inside Xvfb for a few seconds and
# writes a screenshot.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

DEMO_SECONDS=${DEMO_SECONDS:-8}
"$ROOT/tools/install-deps.sh"
build_cross >/dev/null
SCR="$BUILD/win/src/zarvane.scr"

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  start_xvfb 1024x768
fi
if [ ! -f "$BUILD/demo-wine/system.reg" ]; then
  echo "Preparing a Wine prefix in $BUILD/demo-wine ..."
  fresh_wine_prefix "$BUILD/demo-wine"
fi
export WINEPREFIX="$BUILD/demo-wine" WINEDEBUG=-all

# The sample feed, served from loopback on a free port.
feed_root="$BUILD/demo-feed"
mkdir -p "$feed_root/RirozIrid"
cp "$ROOT/tools/demo/ssaver.dat" "$feed_root/RirozIrid/ssaver.dat"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$feed_root" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; stop_wine; stop_xvfb' EXIT

python3 "$ROOT/tools/demo/set-profile.py" "$WINEPREFIX/drive_c/windows/win.ini" \
  Internet=1 ShowDetails=1 Lighting=1 NightSide=1 Alternate=1 Direct=1 UseProxy=0 \
  "AlternateHost=127.0.0.1:$port"

if [ $headless -eq 0 ]; then
  echo "Running the saver on $DISPLAY: move the mouse or press a key to end it."
  wine "$SCR" /s
  exit 0
fi
wine "$SCR" /s &
sleep "$DEMO_SECONDS"
shot="$BUILD/demo-screenshot.png"
xwd -root -silent | /usr/bin/convert xwd:- "$shot"
echo "Screenshot: $shot"
