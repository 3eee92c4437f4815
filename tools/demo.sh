#!/usr/bin/env bash
# The demo command: installs what is missing, builds zarvane.scr and zarvane-feed, and runs
# the saver full screen under Wine with a Wine prefix of its own under build/ (never
# ~/.wine). The storms come through the whole chain: `zarvane-feed serve` builds the feed
# from the bundled sample sources (service/samples, invented storms) and serves it on
# loopback, where the saver fetches it. On a display the saver runs until you touch the
# mouse or keyboard; with no display it runs inside Xvfb until the storms are in, writes
# a screenshot and is ended with a key, as a user ends it. DEMO_MONITORS="SIDE [PRIMARY
# [OTHER]]" runs it headless on a desk of two monitors instead (Xorg's dummy driver, as
# root): the other monitor right or left of the primary, in the modes named (by default
# 1024x768 and 1280x1024; see arrange_monitors in tools/lib.sh).
set -euo pipefail
. "$(dirname "$0")/lib.sh"

DEMO_SECONDS=${DEMO_SECONDS:-6} # after the feed was fetched, before the screenshot
"$ROOT/tools/install-deps.sh"
build_cross >/dev/null
build_native "$BUILD/native" >/dev/null
SCR="$BUILD/win/src/zarvane.scr"
FEED="$BUILD/native/service/zarvane-feed"

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  if [ -n "${DEMO_MONITORS:-}" ]; then
    start_xorg_dummy "$BUILD/demo-xorg"
    # shellcheck disable=SC2086 # the side and the modes, as words
    arrange_monitors $DEMO_MONITORS
  else
    # Tall enough for the panel to list all eleven sample storms above the legend.
    start_xvfb 1280x1024
  fi
fi
if [ ! -f "$BUILD/demo-wine/system.reg" ]; then
  echo "Preparing a Wine prefix in $BUILD/demo-wine ..."
  fresh_wine_prefix "$BUILD/demo-wine"
fi
export WINEPREFIX="$BUILD/demo-wine" WINEDEBUG=-all

# The feed server over the samples, dated yesterday, on a free loopback port.
demo_dir="$BUILD/demo-feed"
rm -rf "$demo_dir"
dated_samples "$demo_dir/samples"
mapfile -t sources < <(sample_sources "$demo_dir/samples")
"$FEED" serve --listen 127.0.0.1:0 "${sources[@]}" --max-age "$SAMPLE_MAX_AGE" \
  2>"$demo_dir/serve.log" &
server=$!
stop_server() { kill -TERM "$server" 2>/dev/null && wait "$server" || true; }
trap 'stop_server; stop_wine; stop_xvfb; stop_xorg_dummy' EXIT
port=$(serve_port "$demo_dir/serve.log")
wait_for_status "http://127.0.0.1:$port/RirozIrid/ssaver.dat" 200 >/dev/null
echo "zarvane-feed serve: http://127.0.0.1:$port/RirozIrid/ssaver.dat (log: $demo_dir/serve.log)"

# The saver reads the user's registry copy of its settings before WIN.INI: a settings
# dialog saved in this prefix earlier would otherwise win over the demo's values.
wine reg delete 'HKCU\Software\Zarvane' /f >/dev/null 2>&1 || true
python3 "$ROOT/tools/demo/set-profile.py" "$WINEPREFIX/drive_c/windows/win.ini" \
  Internet=1 ShowDetails=1 Lighting=1 NightSide=1 Alternate=1 Direct=1 UseProxy=0 \
  "AlternateHost=127.0.0.1:$port"

if [ $headless -eq 0 ]; then
  echo "Running the saver on $DISPLAY: move the mouse or press a key to end it."
  wine "$SCR" /s
  exit 0
fi
wine "$SCR" /s &
saver=$!
# The saver's own request in the server's log: the storms are on their way to the screen.
for _ in $(seq 300); do
  grep -q '"GET /RirozIrid/ssaver.dat HTTP/1.0" 200' "$demo_dir/serve.log" && break
  sleep 0.1
done
sleep "$DEMO_SECONDS"
shot="$BUILD/demo-screenshot.png"
xwd -root -silent | /usr/bin/convert xwd:- "$shot"
echo "Screenshot: $shot"
# Ended as a user ends it: a key press on the saver's window.
xdotool key space
if ! timeout 20 tail --pid="$saver" -f /dev/null; then
  echo "the saver did not end on a key"
  exit 1
fi
wait "$saver"
echo "The saver ended on a key (exit $?)."
