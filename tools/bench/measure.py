#!/usr/bin/env python3
"""Measures one program drawing frames on the benchmark's X screen.

Usage: measure.py NAME (saver|native) WARMUP_S WINDOW_S -- COMMAND...

saver:  COMMAND runs zarvane.scr under Wine with WINEDEBUG=-all,fps; frames are read from
        Wine's fps trace on stderr ("@ approx F fps" about every 1.5 s, F being the rate
        since the previous line; the first line comes with the first frame). The process
        measured is the Wine process of zarvane.scr in WINEPREFIX.
native: COMMAND is a native program run with the swap counter preloaded
        (SWAP_COUNTER_FILE in the environment); frames are its swap count.

After the first frame it waits WARMUP_S, then measures over WINDOW_S: frames per second,
the process's CPU seconds per second (utime + stime of all its threads, from
/proc/PID/stat), CPU milliseconds per frame, the X server's CPU milliseconds per frame
(XVFB_PID), peak resident memory (VmHWM), the time from launch to the first frame, and
the machine's load average when the window began. Prints one JSON line."""
import json
import os
import re
import signal
import struct
import subprocess
import sys
import threading
import time

TICKS = os.sysconf("SC_CLK_TCK")
FPS_LINE = re.compile(r"wglSwapBuffers @ approx ([0-9.]+)fps")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def find_saver_pid(prefix, deadline):
    """The Wine process of zarvane.scr in our Wine prefix (other prefixes on the machine may
    run savers of their own)."""
    wanted = b"WINEPREFIX=" + prefix.encode()
    while time.time() < deadline:
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    args = f.read().split(b"\0")
                if not args or not args[0].lower().endswith(b"zarvane.scr"):
                    continue
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if wanted in f.read().split(b"\0"):
                        return int(entry)
            except OSError:
                continue
        time.sleep(0.05)
    raise RuntimeError("no zarvane.scr process appeared")


class FpsTrace:
    """Timestamps the fps lines of Wine's trace as they arrive."""

    def __init__(self, stream):
        self.lines = []  # (time, approximate fps since the previous line)
        self.thread = threading.Thread(target=self.read, args=(stream,), daemon=True)
        self.thread.start()

    def read(self, stream):
        for raw in stream:
            match = FPS_LINE.search(raw.decode(errors="replace"))
            if match:
                self.lines.append((time.time(), float(match.group(1))))

    def first_frame(self):
        return self.lines[0][0] if self.lines else None

    def frames_between(self, start, end):
        """Frames from the first line at or after start to the last line before end."""
        inside = [line for line in self.lines if start <= line[0] <= end]
        if len(inside) < 2:
            return 0.0, 0.0
        frames = sum(rate * (t - prev[0]) for prev, (t, rate) in zip(inside, inside[1:]))
        return frames, inside[-1][0] - inside[0][0]


def read_counter(path):
    try:
        with open(path, "rb") as f:
            swaps, first_ns = struct.unpack("QQ", f.read(16))
        return swaps, (first_ns / 1e9 if swaps else None)
    except (OSError, struct.error):
        return 0, None


def wait_for(predicate, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.02)
    raise RuntimeError("timed out")


def main():
    name, kind, warmup, window = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
    command = sys.argv[sys.argv.index("--") + 1:]
    xvfb = int(os.environ["XVFB_PID"])
    counter = os.environ.get("SWAP_COUNTER_FILE", "")
    if kind == "native" and os.path.exists(counter):
        os.remove(counter)

    launched = time.time()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE if kind == "saver" else subprocess.DEVNULL,
                               start_new_session=True)
    try:
        if kind == "saver":
            trace = FpsTrace(process.stderr)
            pid = find_saver_pid(os.environ["WINEPREFIX"], launched + 30)
            first = wait_for(trace.first_frame, 30)
        else:
            pid = process.pid
            first = wait_for(lambda: read_counter(counter)[1], 30)

        time.sleep(max(0.0, first + warmup - time.time()))
        load = float(open("/proc/loadavg").read().split()[0])
        start, cpu0, x0 = time.time(), cpu_seconds(pid), cpu_seconds(xvfb)
        swaps0 = read_counter(counter)[0] if kind == "native" else 0
        time.sleep(window)
        end, cpu1, x1 = time.time(), cpu_seconds(pid), cpu_seconds(xvfb)
        peak = peak_rss_kib(pid)
        if kind == "native":
            frames, seconds = read_counter(counter)[0] - swaps0, end - start
        else:
            time.sleep(2.0)  # the fps line that closes the window
            frames, seconds = trace.frames_between(start, end + 1.6)
    finally:
        os.killpg(process.pid, signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)

    fps = frames / seconds if seconds else 0.0
    cpu = (cpu1 - cpu0) / (end - start)
    print(json.dumps({
        "name": name,
        "fps": round(fps, 2),
        "cpu_s_per_s": round(cpu, 3),
        "cpu_ms_per_frame": round(1000.0 * cpu / fps, 2) if fps else None,
        "xserver_ms_per_frame": round(1000.0 * (x1 - x0) / (end - start) / fps, 2) if fps else None,
        "peak_rss_mib": round(peak / 1024.0, 1),
        "first_frame_s": round(first - launched, 3),
        "load": load,
    }))


if __name__ == "__main__":
    main()
