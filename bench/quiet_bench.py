#!/usr/bin/env python3
# The measuring half of quiet_bench.sh: runs each build's program and shot tool under a private
# Xvfb (1280x1024, screen saver off) and prints medians. Each build NAME=BUILD_DIR needs
# program/brinelight and tools/shot/shot built. Needs python3, Xvfb and libX11 only.
import argparse
import os
import re
import select
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

SCREEN_W, SCREEN_H = 1280, 1024
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def start_xvfb(log):
    read_end, write_end = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
                             "-nolisten", "tcp", "-br", "-s", "0", "-noreset"],
                            pass_fds=(write_end,), stdout=log, stderr=log, start_new_session=True)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 30)
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return proc, ":" + number.decode().strip()


def stop(proc, timeout=30):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def write_roster(path, count=10, kinds=4):
    """Ten fish of the first kinds (scripts/starter_roster.py's record layout)."""
    now = int(time.clock_gettime(time.CLOCK_BOOTTIME) * 1000) & 0xFFFFFFFF
    out = bytearray()
    for slot in range(16):
        if slot < count:
            out += struct.pack("<iiiiI12x", 1, slot % kinds, 5, 0, now) + ("fish%d" % slot).encode().ljust(32, b"\0")
        else:
            out += bytes(64)
    with open(path, "wb") as f:
        f.write(out)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime, stime of all threads


def memory_kb(pid):
    values = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(("VmRSS:", "VmHWM:")):
                values[line.split(":")[0]] = int(line.split()[1])
    return values.get("VmRSS", 0), values.get("VmHWM", 0)


def cpu_percent(pid, seconds):
    c0, t0 = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    c1, t1 = cpu_seconds(pid), time.monotonic()
    return 100.0 * (c1 - c0) / (t1 - t0)


def run_program(build, seconds, tmp, xlib, cache):
    """One run: start to first frame, CPU and memory visible, CPU covered."""
    log = open(os.path.join(tmp, "xvfb.log"), "ab")
    xvfb, display = start_xvfb(log)
    program = os.path.join(tmp, "program")
    shutil.rmtree(program, ignore_errors=True)
    shutil.copytree(os.path.join(build, "program"), program, ignore=shutil.ignore_patterns("fishsave.bin"))
    write_roster(os.path.join(program, "fishsave.bin"))
    home = tempfile.mkdtemp(dir=tmp)
    for sub in ("config", "runtime"):
        os.mkdir(os.path.join(home, sub), 0o700)
    env = {k: v for k, v in os.environ.items()
           if k not in ("WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER")}
    # A cache folder kept per build across runs: from the second run on Mesa finds its shaders there,
    # as on a desktop where the program has run before.
    env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=home, XDG_CACHE_HOME=cache,
               XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_RUNTIME_DIR=os.path.join(home, "runtime"), BRINE_TRACE="frames",
               http_proxy="http://127.0.0.1:9", HTTP_PROXY="http://127.0.0.1:9", no_proxy="")
    x = xlib.XConnection(display)
    result = {}
    try:
        start = time.monotonic()
        proc = subprocess.Popen([os.path.join(program, "brinelight")], cwd=tmp, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
        lines = []
        threading.Thread(target=lambda: lines.extend(proc.stderr), daemon=True).start()
        # The first frame as the screen shows it: the window is black until then (so is the root).
        probes = [(SCREEN_W // 2, SCREEN_H // 2), (SCREEN_W // 4, SCREEN_H // 4), (3 * SCREEN_W // 4, SCREEN_H // 3)]
        while not any(x.pixel(px, py) for px, py in probes):
            if proc.poll() is not None or time.monotonic() - start > 60:
                raise RuntimeError("no frame from %s" % build)
            time.sleep(0.005)
        result["start_ms"] = 1000 * (time.monotonic() - start)
        time.sleep(3)  # fish loaded and swimming, caches warm
        result["cpu_visible"] = cpu_percent(proc.pid, seconds)
        result["rss_kb"], result["hwm_kb"] = memory_kb(proc.pid)
        cover = x.cover(SCREEN_W, SCREEN_H)
        time.sleep(2)
        result["cpu_covered"] = cpu_percent(proc.pid, seconds)
        x.destroy(cover)
        stop(proc)
        traced = [l.decode(errors="replace") for l in lines if b"first frame" in l]
        if traced:
            result["trace"] = traced[0].strip()
    finally:
        x.close()
        stop(xvfb)
        log.close()
    return result


SHOT_LINE = re.compile(r"quality (\d) \((\d+)x(\d+)\): median ([\d.]+) ms")


def run_shot(build, tmp):
    log = open(os.path.join(tmp, "xvfb.log"), "ab")
    xvfb, display = start_xvfb(log)
    try:
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        out = subprocess.run([os.path.join(build, "tools", "shot", "shot"), "--program-dir",
                              os.path.join(build, "program"), "--bench", "--bench-runs", "5"],
                             env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=600).stdout.decode()
    finally:
        stop(xvfb)
        log.close()
    return {"%sx%s" % (m.group(2), m.group(3)): float(m.group(4)) for m in SHOT_LINE.finditer(out)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("builds", nargs="+", help="NAME=BUILD_DIR")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--source-dir", required=True)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.source_dir, "tests", "support"))
    import xlib_ctypes
    builds = [b.split("=", 1) for b in args.builds]
    figures = {name: {} for name, _ in builds}
    tmp = tempfile.mkdtemp(prefix="brine-quiet-bench-")
    try:
        for run in range(args.runs):
            order = builds if run % 2 == 0 else list(reversed(builds))  # neither always goes first
            for name, build in order:
                r = run_program(build, args.seconds, tmp, xlib_ctypes, os.path.join(tmp, "cache-" + name))
                r.update(("shot_" + k, v) for k, v in run_shot(build, tmp).items())
                print("run %d %-8s %s" % (run + 1, name, " ".join(
                    "%s=%s" % (k, ("%.1f" % v) if isinstance(v, float) else v) for k, v in sorted(r.items())
                    if k != "trace")), flush=True)
                if "trace" in r:
                    print("             %s" % r["trace"], flush=True)
                for k, v in r.items():
                    if isinstance(v, (int, float)):
                        figures[name].setdefault(k, []).append(v)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    rows = [("cpu_visible", "CPU visible, % of a core"), ("cpu_covered", "CPU covered, % of a core"),
            ("rss_kb", "VmRSS visible, MB"), ("hwm_kb", "VmHWM, MB"), ("start_ms", "start to first frame, ms"),
            ("shot_800x600", "shot --bench 800x600, ms/frame"), ("shot_1280x1024", "shot --bench 1280x1024, ms/frame")]
    names = [name for name, _ in builds]
    print("\nmedians of %d runs, %.0f s each (Xvfb %dx%d, ten fish, default quality 800x600)"
          % (args.runs, args.seconds, SCREEN_W, SCREEN_H))
    print("%-34s" % "" + "".join("%12s" % n for n in names) + ("%10s" % "ratio" if len(names) == 2 else ""))
    for key, label in rows:
        values = []
        for n in names:
            v = figures[n].get(key)
            m = statistics.median(v) if v else float("nan")
            values.append(m / 1024 if key.endswith("_kb") else m)
        ratio = ("%10.2f" % (values[1] / values[0]) if len(values) == 2 and values[0] else "")
        print("%-34s" % label + "".join("%12.1f" % v for v in values) + ratio)


if __name__ == "__main__":
    main()
