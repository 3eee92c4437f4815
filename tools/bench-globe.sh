#!/usr/bin/env bash
# The globe benchmark (not part of the tests): on one Xvfb 1024x768 screen, runs the saver
# full screen under Wine in each of its three shading modes, each with "UseHardware" 0 and
# 1, and xscreensaver's glplanet
# (a textured-globe GL hack of about the same size) for comparison, and prints a table of
# frames per second, CPU per second and per frame, the X server's CPU per frame, peak
# resident memory and launch-to-first-frame time, with the ratio of the saver's CPU per
# frame to glplanet's. WARMUP (s, default 4) and WINDOW (s, default 15) set the timing.
# Then it measures how soon a key press hides the saver's window and ends its process while
# the feed thread waits on a silent server (tests/bench/bench_exit.cpp, EXIT_RUNS runs).
# The machine's load is printed too: other work on it depresses the frame rates.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

WARMUP=${WARMUP:-4}
WINDOW=${WINDOW:-15}
GLPLANET=/usr/libexec/xscreensaver/glplanet

"$ROOT/tools/install-deps.sh"
build_cross -DZARVANE_BENCH=ON >/dev/null
SCR="$BUILD/win/src/zarvane.scr"
bench="$BUILD/bench-globe"
mkdir -p "$bench"
gcc -O2 -Wall -Wextra -shared -fPIC -o "$bench/swap_counter.so" "$ROOT/tools/bench/swap_counter.c" -ldl

cleanup() { stop_wine; stop_xvfb; }
trap cleanup EXIT
start_xvfb 1024x768
export XVFB_PID
fresh_wine_prefix "$bench/wine"
wineserver -p # kept running, so that every launch finds Wine's server up

measure="$ROOT/tools/bench/measure.py"
results="$bench/results.jsonl"
: >"$results"
run_saver() { # name, Lighting, NightSide, UseHardware
  python3 "$ROOT/tools/demo/set-profile.py" "$WINEPREFIX/drive_c/windows/win.ini" \
    Internet=0 ShowDetails=0 "Lighting=$2" "NightSide=$3" "UseHardware=$4"
  WINEDEBUG=-all,fps python3 "$measure" "$1 hw$4" saver "$WARMUP" "$WINDOW" -- wine "$SCR" /s >>"$results"
  sleep 1
}
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for hardware in 0 1; do
  run_saver "zarvane plain" 0 0 $hardware
  run_saver "zarvane headlight" 1 0 $hardware
  run_saver "zarvane night side" 1 1 $hardware
done
SWAP_COUNTER_FILE="$bench/swaps" LD_PRELOAD="$bench/swap_counter.so" \
  python3 "$measure" "glplanet" native "$WARMUP" "$WINDOW" -- \
  "$GLPLANET" -geometry 668x668+0+0 -mode globe -no-wander >>"$results"
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$results" <<'PY'
import json, sys
rows = [json.loads(line) for line in open(sys.argv[1])]
print(f"{'program':<24}{'fps':>7}{'CPU s/s':>9}{'CPU ms/frame':>14}{'Xvfb ms/frame':>15}"
      f"{'peak RSS MiB':>14}{'first frame s':>15}{'load':>6}")
for r in rows:
    print(f"{r['name']:<24}{r['fps']:>7.1f}{r['cpu_s_per_s']:>9.3f}{r['cpu_ms_per_frame'] or 0:>14.2f}"
          f"{r['xserver_ms_per_frame'] or 0:>15.2f}{r['peak_rss_mib']:>14.1f}{r['first_frame_s']:>15.2f}"
          f"{r['load']:>6.2f}")
planet = next(r for r in rows if r["name"] == "glplanet")
print()
for r in rows:
    if r is not planet and r["cpu_ms_per_frame"] and planet["cpu_ms_per_frame"]:
        ratio = r["cpu_ms_per_frame"] / planet["cpu_ms_per_frame"]
        print(f"{r['name']}: CPU per frame {ratio:.2f} x glplanet's")
PY

echo
echo "=== the run's end while the feed server is silent"
ZARVANE_SCR="$SCR" wine "$BUILD/win/tests/bench/bench_exit.exe" "${EXIT_RUNS:-5}" </dev/null
