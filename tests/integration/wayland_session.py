#!/usr/bin/env python3
# Headless Wayland compositors for the desktop tests: sway (wlroots, the layer shell), mutter
# (GNOME's, XWayland) and weston, each with its own session bus, run as an unprivileged user,
# since sway refuses root and the program must be the compositor's own user to reach it. Every
# process is that user's, in a process group of this helper's, stopped together at the end.
# Also a tool: `wayland_session.py sway [--bar] -- COMMAND...` runs COMMAND in a fresh session.
import glob
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

NOBODY = 65534
WIDTH, HEIGHT = 1280, 720


class SessionError(Exception):
    pass


def wait_until(what, probe, timeout, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise SessionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def as_user(command):
    if os.getuid() != 0:
        return list(command)  # already unprivileged
    return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"] + list(command)


class WaylandSession:
    """One compositor: kind is "sway", "mutter" or "weston". sway may show a bar with a tray
    (bar=True), held back until start_bar() when bar_gated, as a login may start it after other
    programs; floating maps window titles to sway's "x y width height" for ordinary windows
    that are to float at a known place (a tiled window would fill the output)."""

    def __init__(self, kind, tmp=None, bar=False, floating=None, bar_gated=False):
        self.kind = kind
        self.own_tmp = tmp is None
        self.tmp = tmp or tempfile.mkdtemp(prefix="brine-wl-")
        os.chmod(self.tmp, 0o755)  # the user must reach the folders below
        self.runtime = self.folder("runtime")
        self.home = self.folder("home")
        self.shots = self.folder("shots")  # written by the user's screenshot tool
        self.procs = []
        self.logs = {}
        self.display = None  # the XWayland display, where the compositor runs one
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home,
                    "XDG_RUNTIME_DIR": self.runtime, "LC_ALL": "C.UTF-8",
                    "XDG_SESSION_TYPE": "wayland"}
        try:
            self.start_bus()
            self.bar_gated = bar_gated
            {"sway": self.start_sway, "mutter": self.start_mutter, "weston": self.start_weston}[kind](
                bar=bar, floating=floating or {})
        except Exception:
            self.close(keep=True)
            raise

    def folder(self, name):
        path = os.path.join(self.tmp, name)
        os.makedirs(path, exist_ok=True)
        if os.getuid() == 0:
            os.chown(path, NOBODY, NOBODY)
        os.chmod(path, 0o700)  # XDG_RUNTIME_DIR must be the user's alone
        return path

    def log(self, name):
        path = os.path.join(self.tmp, name + ".log")
        self.logs[name] = path
        return open(path, "ab")

    def start(self, name, command, env=None, cwd=None):
        """Starts command as the session's user in the session's environment (plus env)."""
        full_env = dict(self.env)
        full_env.update(env or {})
        with self.log(name) as log:
            proc = subprocess.Popen(as_user(command), env=full_env, cwd=cwd or self.tmp, stdout=log, stderr=log,
                                    start_new_session=True)
        self.procs.append((name, proc))
        return proc

    def run(self, command, env=None, timeout=30):
        full_env = dict(self.env)
        full_env.update(env or {})
        return subprocess.run(as_user(command), env=full_env, cwd=self.tmp, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)

    def start_bus(self):
        address = "unix:path=" + os.path.join(self.runtime, "bus")
        self.start("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address])
        wait_until("the session bus", lambda: os.path.exists(os.path.join(self.runtime, "bus")), 10)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def start_sway(self, bar, floating):
        lines = ["output HEADLESS-1 resolution %dx%d position 0 0" % (WIDTH, HEIGHT),
                 "xwayland disable", "default_border none", "default_floating_border none",
                 "focus_follows_mouse no"]
        for title, (x, y, w, h) in floating.items():
            lines.append('for_window [title="%s"] floating enable, resize set %d %d, move position %d %d'
                         % (title, w, h, x, y))
        if bar:
            # Each swaybar sway starts (again on a reload) says its pid; a gated one waits first.
            self.bar_folder = self.folder("bar")
            gate = os.path.join(self.bar_folder, "go")
            if not self.bar_gated:
                open(gate, "w").close()
            wrapper = os.path.join(self.tmp, "bar.sh")
            with open(wrapper, "w") as f:
                f.write('#!/bin/sh\nwhile [ ! -e "%s" ]; do sleep 0.05; done\necho $$ > "%s/pid"\nexec swaybar "$@"\n'
                        % (gate, self.bar_folder))
            os.chmod(wrapper, 0o755)
            lines += ["bar {", "  swaybar_command " + wrapper, "  position top", "  height 32",
                      "  tray_output *", "  tray_padding 2", "  workspace_buttons no",
                      "  colors {", "    background #000000", "    statusline #000000", "  }", "}"]
        config = os.path.join(self.tmp, "sway.conf")
        with open(config, "w") as f:
            f.write("\n".join(lines) + "\n")
        os.chmod(config, 0o644)
        self.start("sway", ["sway", "-c", config], env={"WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1",
                                                          "WLR_RENDERER": "pixman"})
        socket = wait_until("sway's socket", lambda: self.socket_named("wayland-*"), 20)
        self.env["WAYLAND_DISPLAY"] = os.path.basename(socket)
        self.env["SWAYSOCK"] = wait_until("sway's IPC socket", lambda: self.socket_named("sway-ipc.*.sock"), 20)

    def start_mutter(self, bar, floating):
        name = "wl-mutter"
        proc = self.start("mutter", ["mutter", "--wayland", "--headless", "--virtual-monitor",
                                     "%dx%d" % (WIDTH, HEIGHT), "--wayland-display=" + name, "--sm-disable"])
        self.env["WAYLAND_DISPLAY"] = name

        def x_display():
            self.check_running(proc, "mutter")
            with open(self.logs["mutter"], "rb") as f:
                found = re.search(rb"Using public X11 display (:\d+)", f.read())
            auth = glob.glob(os.path.join(self.runtime, ".mutter-Xwaylandauth.*"))
            return (found.group(1).decode(), auth[0]) if found and auth else None

        self.display, auth = wait_until("mutter's XWayland", x_display, 30)
        self.env.update(DISPLAY=self.display, XAUTHORITY=auth)
        wait_until("mutter's socket", lambda: self.socket_named(name), 10)

    def start_weston(self, bar, floating):
        name = "wl-weston"
        proc = self.start("weston", ["weston", "--backend=headless-backend.so", "--socket=" + name,
                                     "--width=%d" % WIDTH, "--height=%d" % HEIGHT, "--use-pixman", "--xwayland",
                                     "--idle-time=0"])
        self.env["WAYLAND_DISPLAY"] = name

        def x_display():
            self.check_running(proc, "weston")
            with open(self.logs["weston"], "rb") as f:
                found = re.search(rb"xserver listening on display (:\d+)", f.read())
            return found.group(1).decode() if found else None

        self.display = wait_until("weston's XWayland", x_display, 30)
        self.env["DISPLAY"] = self.display
        wait_until("weston's socket", lambda: self.socket_named(name), 10)

    def start_bar(self):
        open(os.path.join(self.bar_folder, "go"), "w").close()

    def bar_pid(self):
        try:
            with open(os.path.join(self.bar_folder, "pid")) as f:
                return int(f.read().strip() or 0)
        except OSError:
            return 0

    def socket_named(self, pattern):
        for path in glob.glob(os.path.join(self.runtime, pattern)):
            if not path.endswith(".lock"):
                return path
        return None

    def check_running(self, proc, name):
        if proc.poll() is not None:
            raise SessionError("%s ended with %d" % (name, proc.returncode))

    # ---- looking at the session --------------------------------------------------------------

    def screenshot(self, path):
        """The whole output as a binary PPM (sway: grim), at a path in self.shots."""
        result = self.run(["grim", "-t", "ppm", path])
        if result.returncode != 0:
            raise SessionError("grim failed: " + result.stderr.decode(errors="replace"))
        return path

    def sway_tree(self):
        result = self.run(["swaymsg", "-t", "get_tree", "-r"])
        if result.returncode != 0:
            raise SessionError("swaymsg failed: " + result.stderr.decode(errors="replace"))
        return json.loads(result.stdout)

    def sway_views(self):
        """(name, pid, floating, rect) of every window sway manages."""
        views = []

        def walk(node, floating):
            if node.get("pid"):
                views.append((node.get("name"), node["pid"], floating, node.get("rect")))
            for child in node.get("nodes", []):
                walk(child, floating)
            for child in node.get("floating_nodes", []):
                walk(child, True)

        walk(self.sway_tree(), False)
        return views

    def x(self, *command):
        """An X tool on the compositor's XWayland display, as the session's user."""
        result = self.run(list(command))
        if result.returncode != 0:
            raise SessionError("%s failed: %s" % (command[0], result.stderr.decode(errors="replace")))
        return result.stdout.decode(errors="replace")

    # ---- the end ---------------------------------------------------------------------------------

    def close(self, keep=False):
        for name, proc in reversed(self.procs):
            # The leader first, so that a compositor takes its XWayland's sockets and locks along;
            # then whatever is left in its group (XWayland, the bar).
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    pass
            for sig in (signal.SIGTERM, signal.SIGKILL):
                try:
                    os.killpg(proc.pid, sig)
                except ProcessLookupError:
                    break
                time.sleep(0.1)
            if proc.poll() is None:
                proc.wait()
        if keep:
            print("kept for inspection: " + self.tmp)
            for name, path in self.logs.items():
                with open(path, "rb") as f:
                    text = f.read()[-4000:].decode(errors="replace")
                if text.strip():
                    print("---- %s log (end) ----\n%s" % (name, text))
        elif self.own_tmp:
            shutil.rmtree(self.tmp, ignore_errors=True)


def main():
    args = sys.argv[1:]
    if "--" not in args or not args or args[0] not in ("sway", "mutter", "weston"):
        print("usage: wayland_session.py sway|mutter|weston [--bar] -- COMMAND...")
        return 2
    split = args.index("--")
    session = WaylandSession(args[0], bar="--bar" in args[:split])
    try:
        print("WAYLAND_DISPLAY=%s XDG_RUNTIME_DIR=%s" % (session.env["WAYLAND_DISPLAY"], session.runtime))
        return subprocess.call(as_user(args[split + 1:]), env=dict(session.env), cwd=session.tmp)
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main())
