#!/usr/bin/env python3
# What each way of reaching a Wayland desktop costs the running program, in one run: under
# headless sway on the background layer (no wallpaper client), on the bottom layer see-through
# over swaybg, and under headless mutter through XWayland; ten fish, 1280x720. CPU (% of a core:
# the program, the compositor, mutter's XWayland), frames a second and processor milliseconds a frame; medians of
# alternating runs. Needs root (the session runs as an unprivileged user, wayland_session.py).
#   python3 bench/wayland_bench.py [--build build/gcc] [--runs 3] [--seconds 20]
import argparse
import os
import shutil
import statistics
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
sys.path.insert(0, os.path.join(here, "..", "tests", "integration"))
import quiet_bench as qb  # noqa: E402  (roster, /proc readings)
from wayland_session import NOBODY, WaylandSession  # noqa: E402

WAYS = ["background", "bottom", "xwayland"]


def frames_so_far(path):
    """The frames count of the trace's latest once-a-second line."""
    with open(path, "rb") as f:
        lines = f.read().splitlines()
    for line in reversed(lines):
        if b"frames=" in line:
            return int(line.split(b"frames=")[1].split()[0])
    return None


def child_named(parent, name):
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as f:
                stat = f.read()
        except OSError:
            continue
        comm, rest = stat.split("(", 1)[1].rsplit(")", 1)
        if comm == name and int(rest.split()[1]) == parent:
            return int(pid)
    return 0


def run_way(build, way, seconds):
    session = WaylandSession("mutter" if way == "xwayland" else "sway")
    result = {}
    try:
        compositor = session.procs[-1][1]
        if way == "bottom":
            session.start("swaybg", ["swaybg", "-c", "#305080"])
            time.sleep(1)
        program = os.path.join(session.tmp, "program")
        shutil.copytree(os.path.join(build, "program"), program, ignore=shutil.ignore_patterns("fishsave.bin"))
        qb.write_roster(os.path.join(program, "fishsave.bin"))
        for root, dirs, files in os.walk(program):
            for name in dirs + files + [""]:
                os.chown(os.path.join(root, name), NOBODY, NOBODY)
        proc = session.start("program", [os.path.join(program, "brinelight")],
                             env={"XDG_CONFIG_HOME": session.folder("config"), "BRINE_TRACE": "frames",
                                  "http_proxy": "http://127.0.0.1:9", "HTTP_PROXY": "http://127.0.0.1:9"})
        log = session.logs["program"]
        deadline = time.monotonic() + 60
        while b"first frame" not in open(log, "rb").read():
            if proc.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("no frame in the %s way" % way)
            time.sleep(0.05)
        time.sleep(3)  # fish loaded and swimming, caches warm
        watched = {"program": proc.pid, "compositor": compositor.pid}
        xwayland = child_named(compositor.pid, "Xwayland") if way == "xwayland" else 0
        if xwayland:
            watched["xwayland"] = xwayland
        f0, t0 = frames_so_far(log), time.monotonic()
        c0 = {k: qb.cpu_seconds(pid) for k, pid in watched.items()}
        time.sleep(seconds)
        f1, t1 = frames_so_far(log), time.monotonic()
        for key, pid in watched.items():
            result["cpu_" + key] = 100.0 * (qb.cpu_seconds(pid) - c0[key]) / (t1 - t0)
        if f0 is not None and f1 is not None and f1 > f0:
            result["fps"] = (f1 - f0) / (t1 - t0)
            result["ms_per_frame"] = result["cpu_program"] * 10.0 / result["fps"]
        qb.stop(proc)
    finally:
        session.close()
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(here, "..", "build", "gcc"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=20)
    args = parser.parse_args()
    missing = [t for t in ("sway", "swaybg", "mutter", "setpriv") if not shutil.which(t)]
    if missing or os.getuid() != 0:
        sys.exit("needs root and " + ", ".join(missing or ["nothing else"]))
    figures = {way: {} for way in WAYS}
    for run in range(args.runs):
        for way in (WAYS if run % 2 == 0 else list(reversed(WAYS))):
            r = run_way(os.path.abspath(args.build), way, args.seconds)
            print("run %d %-10s %s" % (run + 1, way, " ".join("%s=%.1f" % kv for kv in sorted(r.items()))), flush=True)
            for k, v in r.items():
                figures[way].setdefault(k, []).append(v)
    rows = [("cpu_program", "program CPU, % of a core"), ("fps", "frames a second"),
            ("ms_per_frame", "program processor ms a frame"), ("cpu_compositor", "compositor CPU, % of a core"),
            ("cpu_xwayland", "XWayland CPU, % of a core")]
    print("\nmedians of %d runs, %.0f s each (1280x720, ten fish, default quality 800x600)" % (args.runs, args.seconds))
    print("%-32s" % "" + "".join("%14s" % w for w in WAYS))
    for key, label in rows:
        cells = []
        for way in WAYS:
            values = figures[way].get(key)
            cells.append("%14.1f" % statistics.median(values) if values else "%14s" % "-")
        print("%-32s" % label + "".join(cells))


if __name__ == "__main__":
    main()
