#!/usr/bin/env python3
# What each way of attaching costs, in one run: under a private Xvfb with openbox and ten fish, the
# own desktop (no file manager), over pcmanfm's desktop cut by a shape, and over it see-through
# under xcompmgr. CPU (% of a core) of the program, X server, compositor and file manager, frames a
# second and the program's processor ms a frame; medians of runs in alternating order.
#   python3 bench/desktops_bench.py [--build build/gcc] [--runs 3] [--seconds 20]
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import quiet_bench as qb  # noqa: E402  (Xvfb, roster, /proc readings)

WAYS = ["own", "shaped", "argb"]  # own desktop; over pcmanfm cut by a shape; over it under xcompmgr


def frames_so_far(lines):
    """The frames count of the trace's latest once-a-second line."""
    for line in reversed(lines):
        if b"frames=" in line:
            return int(line.split(b"frames=")[1].split()[0])
    return None


def run_way(build, way, seconds, tmp):
    log = open(os.path.join(tmp, "xvfb.log"), "ab")
    xvfb, display = qb.start_xvfb(log)
    home = tempfile.mkdtemp(dir=tmp)
    for sub in ("config", "runtime", "Desktop"):
        os.mkdir(os.path.join(home, sub), 0o700)
    for n in range(1, 6):
        with open(os.path.join(home, "Desktop", "note%d.txt" % n), "w") as f:
            f.write("a note\n")
    folder = os.path.join(home, "config", "pcmanfm", "default")
    os.makedirs(folder)
    with open(os.path.join(folder, "desktop-items-0.conf"), "w") as f:
        f.write("[*]\nwallpaper_mode=color\ndesktop_bg=#406080\nshow_wm_menu=0\nshow_documents=0\n"
                "show_trash=0\nshow_mounts=0\n")
    program = os.path.join(tmp, "program")
    shutil.rmtree(program, ignore_errors=True)
    shutil.copytree(os.path.join(build, "program"), program, ignore=shutil.ignore_patterns("fishsave.bin"))
    qb.write_roster(os.path.join(program, "fishsave.bin"))
    env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS")}
    env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_RUNTIME_DIR=os.path.join(home, "runtime"), NO_AT_BRIDGE="1", GIO_USE_VFS="local",
               BRINE_TRACE="frames", http_proxy="http://127.0.0.1:9", HTTP_PROXY="http://127.0.0.1:9", no_proxy="")
    helpers = []

    def helper(command):
        proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        helpers.append(proc)
        return proc

    result = {}
    try:
        helper(["openbox"])
        time.sleep(1)
        compositor = helper(["xcompmgr"]) if way == "argb" else None
        manager = None
        if way != "own":
            manager = helper(["pcmanfm", "--desktop"])
            time.sleep(3)
        proc = subprocess.Popen([os.path.join(program, "brinelight")], cwd=tmp, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, start_new_session=True)
        lines = []
        threading.Thread(target=lambda: lines.extend(proc.stderr), daemon=True).start()
        deadline = time.monotonic() + 60
        while not any(b"first frame" in l for l in lines):
            if proc.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("no frame in the %s way" % way)
            time.sleep(0.05)
        time.sleep(3)  # fish loaded and swimming, caches warm
        f0 = frames_so_far(lines)
        pids = {"program": proc.pid, "xvfb": xvfb.pid}
        if compositor:
            pids["compositor"] = compositor.pid
        if manager:
            pids["pcmanfm"] = manager.pid  # it redraws what each frame's shape uncovers
        c0 = {key: qb.cpu_seconds(pid) for key, pid in pids.items()}
        t0 = time.monotonic()
        time.sleep(seconds)
        t1 = time.monotonic()
        f1 = frames_so_far(lines)
        for key, start in c0.items():
            result["cpu_" + key] = 100.0 * (qb.cpu_seconds(pids[key]) - start) / (t1 - t0)
        if f0 is not None and f1 is not None and f1 > f0:
            result["fps"] = (f1 - f0) / (t1 - t0)
            result["ms_per_frame"] = result["cpu_program"] * 10.0 / result["fps"]  # processor ms a frame
        qb.stop(proc)
    finally:
        for p in reversed(helpers):
            qb.stop(p, 10)
        qb.stop(xvfb)
        log.close()
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                                        "build", "gcc"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=20)
    args = parser.parse_args()
    missing = [t for t in ("Xvfb", "openbox", "pcmanfm", "xcompmgr") if not shutil.which(t)]
    if missing:
        sys.exit("missing: " + ", ".join(missing))
    figures = {way: {} for way in WAYS}
    tmp = tempfile.mkdtemp(prefix="brine-desktops-bench-")
    try:
        for run in range(args.runs):
            for way in (WAYS if run % 2 == 0 else list(reversed(WAYS))):
                r = run_way(os.path.abspath(args.build), way, args.seconds, tmp)
                print("run %d %-7s %s" % (run + 1, way, " ".join("%s=%.1f" % kv for kv in sorted(r.items()))),
                      flush=True)
                for k, v in r.items():
                    figures[way].setdefault(k, []).append(v)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    rows = [("cpu_program", "program CPU, % of a core"), ("fps", "frames a second"),
            ("ms_per_frame", "program processor ms a frame"), ("cpu_xvfb", "X server CPU, % of a core"),
            ("cpu_pcmanfm", "pcmanfm CPU, % of a core"), ("cpu_compositor", "xcompmgr CPU, % of a core")]
    print("\nmedians of %d runs, %.0f s each (Xvfb 1280x1024, openbox, ten fish, default quality 800x600)"
          % (args.runs, args.seconds))
    print("%-32s" % "" + "".join("%16s" % w for w in WAYS))
    for key, label in rows:
        cells = []
        for way in WAYS:
            values = figures[way].get(key)
            cells.append("%16.1f" % statistics.median(values) if values else "%16s" % "-")
        print("%-32s" % label + "".join(cells))


if __name__ == "__main__":
    main()
