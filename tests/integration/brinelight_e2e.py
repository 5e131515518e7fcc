#!/usr/bin/env python3
# End-to-end checks of the built program as a user meets it: a private Xvfb, a copy of the program
# directory, its own settings and runtime folders, then start-up, tray, menu and exit observed from
# outside (X properties, screenshots, the files it leaves). Needs only python3 and the X tools
# (Xvfb, xwininfo, xprop, xdotool, trayer, ImageMagick's import); no Qt or program code.
import argparse
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77  # ctest's SKIP_RETURN_CODE: a missing X tool is not a fault of the program
SCALE = float(os.environ.get("BRINE_E2E_TIME_SCALE", "1"))  # slower builds (sanitizers) wait longer
SCREEN_W, SCREEN_H = 1280, 1024


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def poll(what, probe, timeout, interval=0.25, scaled=True):
    if scaled:
        timeout *= SCALE
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# ---- images -------------------------------------------------------------------------------------

class Image:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def read_ppm(path):
        with open(path, "rb") as f:
            raw = f.read()
        fields, pos = [], 0
        while len(fields) < 4:  # magic, width, height, maxval, with comments between
            while raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                pos = raw.index(b"\n", pos) + 1
                continue
            end = pos
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[pos:end])
            pos = end
        check(fields[0] == b"P6" and fields[3] == b"255", "%s is not an 8-bit P6 image" % path)
        w, h = int(fields[1]), int(fields[2])
        data = raw[pos + 1:pos + 1 + w * h * 3]
        check(len(data) == w * h * 3, "%s is short" % path)
        return Image(w, h, data)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def count(self, box, test, step=1):
        x0, y0, x1, y1 = box
        n = 0
        for y in range(y0, y1, step):
            row = y * self.width * 3
            for x in range(x0, x1, step):
                i = row + x * 3
                if test(self.data[i], self.data[i + 1], self.data[i + 2]):
                    n += 1
        return n

    def block_means(self, blocks_x, blocks_y, step=2):
        means = []
        bw, bh = self.width // blocks_x, self.height // blocks_y
        for by in range(blocks_y):
            for bx in range(blocks_x):
                s = [0, 0, 0]
                n = 0
                for y in range(by * bh, (by + 1) * bh, step):
                    row = y * self.width * 3
                    for x in range(bx * bw, (bx + 1) * bw, step):
                        i = row + x * 3
                        s[0] += self.data[i]
                        s[1] += self.data[i + 1]
                        s[2] += self.data[i + 2]
                        n += 1
                means.append(tuple(c / n for c in s))
        return means


def is_green_text(r, g, b):
    return g >= 200 and r <= 90 and b <= 90


def is_ticker_text(r, g, b):
    return g >= 200 and b >= 200 and r <= 90


def differing_pixels(a, b, box, threshold=40, step=2):
    x0, y0, x1, y1 = box
    n = 0
    for y in range(y0, y1, step):
        row = y * a.width * 3
        for x in range(x0, x1, step):
            i = row + x * 3
            if (abs(a.data[i] - b.data[i]) + abs(a.data[i + 1] - b.data[i + 1]) +
                    abs(a.data[i + 2] - b.data[i + 2])) > threshold:
                n += 1
    return n


# ---- the roster and the settings file ------------------------------------------------------------

def roster_names(path):
    """Names of the occupied records of fishsave.bin (16 records of 64 bytes, name at 32)."""
    with open(path, "rb") as f:
        raw = f.read()
    check(len(raw) == 16 * 64, "fishsave.bin has %d bytes, not 1024" % len(raw))
    names = []
    for slot in range(16):
        record = raw[slot * 64:(slot + 1) * 64]
        used = struct.unpack_from("<i", record, 0)[0]
        name = record[32:64].split(b"\0", 1)[0]
        if used and name:
            names.append(name.decode("cp932"))
    return names


def write_starter_roster(source_dir, path):
    subprocess.run([sys.executable, os.path.join(source_dir, "scripts", "starter_roster.py"), path], check=True)
    return roster_names(path)


def settings_values(path):
    values = {}
    with open(path, "r", encoding="latin-1") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#") and "=" in line:
                key, value = line.split("=", 1)
                values[key] = value
    return values


# ---- the session: Xvfb, the program copy, helpers ----------------------------------------------

class Session:
    def __init__(self, args, tray=False):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="brine-e2e-")
        self.procs = []  # (name, Popen), stopped in reverse order
        self.program = None
        self.logs = {}
        self.config = os.path.join(self.tmp, "config")
        self.runtime = os.path.join(self.tmp, "runtime")
        self.home = os.path.join(self.tmp, "home")
        for d in (self.config, self.runtime, self.home):
            os.mkdir(d, 0o700)
        os.chmod(self.runtime, 0o700)
        self.prepare_program()
        self.settings = os.path.join(self.config, "Orvane", "Brinelight Vespera.conf")
        self.display = self.start_xvfb()
        self.env = self.make_env()
        if tray:
            self.start_tray_host()

    def prepare_program(self):
        """A copy of the build's program directory, without a roster: the program writes beside itself."""
        self.program_dir = os.path.join(self.tmp, "program")
        shutil.copytree(self.args.program_dir, self.program_dir, ignore=shutil.ignore_patterns("fishsave.bin"))
        self.roster = os.path.join(self.program_dir, "fishsave.bin")

    def program_command(self):
        return [os.path.join(self.program_dir, "brinelight")]

    def log(self, name):
        path = os.path.join(self.tmp, name + ".log")
        self.logs[name] = path
        return open(path, "ab")

    def make_env(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS")}
        env.update(DISPLAY=self.display, XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=self.runtime,
                   HOME=self.home, QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8",
                   # the topics fetch must not reach the network: a refused proxy fails it at once
                   http_proxy="http://127.0.0.1:9", HTTP_PROXY="http://127.0.0.1:9", no_proxy="")
        return env

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        with self.log("xvfb") as log:
            proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                     "%dx%dx24" % (SCREEN_W, SCREEN_H), "-nolisten", "tcp", "-noreset"],
                                    pass_fds=(write_end,), stdout=log, stderr=log, start_new_session=True)
        os.close(write_end)
        self.procs.append(("Xvfb", proc))
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                os.close(read_end)
                raise Failure("Xvfb did not report a display number")
            number += chunk
        os.close(read_end)
        return ":" + number.decode().strip()

    def x(self, *command, check_rc=True):
        result = subprocess.run(list(command), env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=30 * SCALE)
        if check_rc and result.returncode != 0:
            raise Failure("%s failed (%d): %s" % (command[0], result.returncode, result.stderr.decode(errors="replace")))
        return result.stdout.decode(errors="replace")

    def tree(self, *options):
        """xwininfo's listing from the root; a window that goes away while it is listed fails the
        whole listing, so a failed one is simply taken again."""
        for attempt in range(10):
            result = subprocess.run(["xwininfo", "-root"] + list(options), env=self.env,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30 * SCALE)
            if result.returncode == 0:
                return result.stdout.decode(errors="replace")
            time.sleep(0.1)
        raise Failure("xwininfo failed: " + result.stderr.decode(errors="replace"))

    def start_tray_host(self):
        with self.log("trayer") as log:
            proc = subprocess.Popen(["trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
                                     "--width", "200", "--heighttype", "pixel", "--height", "32",
                                     "--expand", "false", "--SetDockType", "true"],
                                    env=self.env, stdout=log, stderr=log, start_new_session=True)
        self.procs.append(("trayer", proc))
        poll("the tray host's panel", lambda: "\"panel\"" in self.tree("-tree"), 20)

    def program_env(self, env):
        env = dict(env)
        env.update(self.args.program_env)
        if self.args.asan_options:  # added to what the caller set for the sanitizers
            env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS", ""), self.args.asan_options]))
        return env

    def start_program(self, name="program"):
        env = self.program_env(self.env)
        with self.log(name) as log:
            proc = subprocess.Popen(self.program_command(), cwd=self.tmp, env=env,
                                    stdout=log, stderr=log, start_new_session=True)
        self.procs.append((name, proc))
        return proc

    def top_windows(self):
        ids = []
        for line in self.tree("-children").splitlines():
            line = line.strip()
            if line.startswith("0x"):
                ids.append(line.split()[0])
        return ids

    def window_property(self, window, name):
        out = self.x("xprop", "-id", window, name, check_rc=False)
        return out.split("=", 1)[1].strip() if "=" in out else ""

    def desktop_window(self, pid):
        """The mapped desktop-type window of process pid, as (id, width, height), or None."""
        for window in self.top_windows():
            if "_NET_WM_WINDOW_TYPE_DESKTOP" not in self.window_property(window, "_NET_WM_WINDOW_TYPE"):
                continue
            if self.window_property(window, "_NET_WM_PID") != str(pid):
                continue
            info = self.x("xwininfo", "-id", window, check_rc=False)
            fields = {}
            for line in info.splitlines():
                if ":" in line:
                    key, value = line.split(":", 1)
                    fields[key.strip()] = value.strip()
            if fields.get("Map State") != "IsViewable":
                continue
            return window, int(fields.get("Width", 0)), int(fields.get("Height", 0))
        return None

    def screenshot(self, name):
        path = os.path.join(self.tmp, name + ".ppm")
        self.x("import", "-display", self.display, "-window", "root", "-depth", "8", path)
        return Image.read_ppm(path)

    def wait_for_frames(self, pid):
        """Waits for the desktop window and for a drawn frame on it; gives the window and a shot."""
        window = poll("the desktop window", lambda: self.desktop_window(pid), 60)

        def drawn():
            self.check_alive()
            shot = self.screenshot("first")
            # The window is black until the first frame; the copyright line shows a frame was drawn.
            box = (SCREEN_W // 2 - 16, 0, SCREEN_W, SCREEN_H // 8)
            return shot if shot.count(box, is_green_text) >= 30 else None

        return window, poll("a drawn frame", drawn, 60, interval=0.5)

    def check_alive(self):
        if self.program is not None and self.program.poll() is not None:
            raise Failure("the program ended early with code %d" % self.program.returncode)

    def stop(self, proc, timeout=60):
        """SIGTERM, then the exit code (SIGKILL after the timeout counts as a failure)."""
        proc.send_signal(signal.SIGTERM)
        try:
            return proc.wait(timeout * SCALE)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise Failure("the program did not end within %.0f s of SIGTERM" % (timeout * SCALE))

    def close(self, keep):
        for name, proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if keep:
            print("kept for inspection: " + self.tmp)
            for name, path in self.logs.items():
                with open(path, "rb") as f:
                    text = f.read()[-6000:].decode(errors="replace")
                if text.strip():
                    print("---- %s log (end) ----\n%s" % (name, text))
        else:
            shutil.rmtree(self.tmp, ignore_errors=True)


NOBODY = 65534  # the unprivileged user the installed program runs as (the tests run as root)


class InstalledSession(Session):
    """The program as a package installs it: `cmake --install` into a prefix inside the session's
    folder, every write permission on the prefix taken away, and the program started as an
    unprivileged user whose own home, settings and runtime folders are the session's."""

    def prepare_program(self):
        check(self.args.build_dir, "--build-dir is needed to install the program")
        self.prefix = os.path.join(self.tmp, "prefix")
        result = subprocess.run(["cmake", "--install", self.args.build_dir, "--prefix", self.prefix],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        check(result.returncode == 0, "cmake --install failed: " + result.stdout.decode(errors="replace")[-2000:])
        self.shipped = os.path.join(self.prefix, "share", "brinelight")
        for root, dirs, files in os.walk(self.prefix):
            for name in dirs + files:
                path = os.path.join(root, name)
                os.chmod(path, os.stat(path).st_mode & ~0o222)
        os.chmod(self.prefix, 0o555)
        self.prefix_before = tree_state(self.prefix)
        os.chmod(self.tmp, 0o755)  # the user must reach the prefix and the folders below
        for folder in (self.config, self.runtime, self.home):
            os.chown(folder, NOBODY, NOBODY)
        self.user_data = os.path.join(self.home, ".local", "share", "Orvane", "Brinelight Vespera")
        self.roster = os.path.join(self.user_data, "fishsave.bin")

    def program_command(self):
        return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups",
                os.path.join(self.prefix, "bin", "brinelight")]


def tree_state(top):
    """Every path below top with its type, size, mode and modification time."""
    state = {}
    for root, dirs, files in os.walk(top):
        for name in dirs + files:
            path = os.path.join(root, name)
            st = os.lstat(path)
            state[os.path.relpath(path, top)] = (st.st_mode, st.st_size, st.st_mtime_ns)
    return state


# ---- the tray icon and its menu, as a user works them ----------------------------------------------

GEOMETRY = re.compile(r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)")


def program_windows(session):
    """(id, x, y, width, height) of every window of the program's X class, anywhere in the tree."""
    found = []
    for line in session.tree("-tree").splitlines():
        if '("brinelight" "brinelight")' not in line:
            continue
        g = GEOMETRY.search(line)
        if g:
            w, h, x, y = map(int, g.groups())
            found.append((line.split()[0], x, y, w, h))
    return found


def tray_icon(session):
    """The icon's window, embedded in the tray host's panel (top left, 32 pixels high)."""
    for window in program_windows(session):
        _, x, y, w, h = window
        if w <= 64 and h <= 64 and y < 40 and x < 200:
            return window
    return None


def open_menu(session):
    """Right-clicks the tray icon and waits for the popup menu; gives the menu's window."""
    _, x, y, w, h = poll("the tray icon in the tray host", lambda: tray_icon(session), 60)

    def menu():
        session.check_alive()
        for window in program_windows(session):
            _, mx, my, mw, mh = window
            if 100 <= mw < SCREEN_W // 2 and 150 <= mh < SCREEN_H // 2:
                return window
        return None

    session.x("xdotool", "mousemove", str(x + w // 2), str(y + h // 2))
    # A click that comes while the icon is still being embedded is lost: click again after a while
    # (the menu shows within half a second of a click that arrives, also under the sanitizers).
    attempts = 10
    for attempt in range(attempts):
        session.x("xdotool", "click", "3")
        try:
            return poll("the popup menu", menu, 3 + attempt, scaled=False)
        except Failure:
            print("no menu after right-click %d, clicking again" % (attempt + 1))
            if attempt == attempts - 1:
                raise


def choose(session, position, focus_menu=False):
    """Chooses the menu item at position (0 = the first item; separators are not counted) by
    keyboard, the way a user would with the menu open, and waits for the menu to close.
    focus_menu: after a dialog has closed without a window manager the keyboard focus is left on
    nothing, and the menu's keyboard grab alone does not always bring the keys to it."""
    keys = ["Down"] * (position + 1) + ["Return"]
    if focus_menu:
        for attempt in range(3):
            menu = open_menu(session)
            session.x("xdotool", "windowfocus", menu[0], check_rc=False)
            session.x("xdotool", "key", *keys)
            try:
                poll("the menu to close", lambda: all(w[0] != menu[0] for w in program_windows(session)), 5)
                return
            except Failure:
                print("the menu took no keys (attempt %d), closing it and trying again" % (attempt + 1))
                session.x("xdotool", "key", "Escape", check_rc=False)
                poll("the menu to close", lambda: all(w[0] != menu[0] for w in program_windows(session)), 10)
        raise Failure("the menu took no keys")
    menu = open_menu(session)
    session.x("xdotool", "key", *keys)
    poll("the menu to close", lambda: all(w[0] != menu[0] for w in program_windows(session)), 30)


MENU_FEED, MENU_SETTINGS, MENU_ADD, MENU_DELETE, MENU_EXTENSION, MENU_STOP_TIME, MENU_NAMES = range(7)
MENU_EXIT = 11


def window_titled(session, title):
    """The program's top-level window with that title, as (id, x, y, width, height), or None."""
    for window in program_windows(session):
        name = session.window_property(window[0], "_NET_WM_NAME")
        if name == '"%s"' % title:
            return window
    return None


def click_in(session, window, fx, fy, button="1"):
    """Clicks at the fraction (fx, fy) of a window; dialog layouts scale with their font alone."""
    _, x, y, w, h = window
    session.x("xdotool", "mousemove", str(x + int(w * fx)), str(y + int(h * fy)), "click", button)


# ---- the tests ---------------------------------------------------------------------------------

def start_with_roster(session):
    names = write_starter_roster(session.args.source_dir, session.roster)
    session.program = session.start_program()
    window, shot = session.wait_for_frames(session.program.pid)
    return names, window, shot


def test_startup_and_orderly_end(session):
    names, (window, width, height), shot = start_with_roster(session)
    check((width, height) == (SCREEN_W, SCREEN_H), "desktop window is %dx%d, not the screen" % (width, height))

    # The wallpaper fills the screen: most of the picture matches the default image stretched over it.
    reference_path = os.path.join(session.tmp, "wallpaper.ppm")
    subprocess.run(["convert", os.path.join(session.program_dir, "bg_sprite1.jpg"), "-resize",
                    "%dx%d!" % (SCREEN_W, SCREEN_H), "-depth", "8", "ppm:" + reference_path], check=True)
    reference = Image.read_ppm(reference_path)
    ours, theirs = shot.block_means(32, 32), reference.block_means(32, 32)
    close_blocks = sum(1 for a, b in zip(ours, theirs) if max(abs(p - q) for p, q in zip(a, b)) < 24)
    check(close_blocks >= 0.85 * len(ours), "only %d of %d screen blocks look like the wallpaper"
          % (close_blocks, len(ours)))
    colours = {shot.pixel(x, y) for y in range(0, SCREEN_H, 37) for x in range(0, SCREEN_W, 41)}
    check(len(colours) > 50, "the screen has only %d colours" % len(colours))

    # The copyright line: green text in the top right, more of it than the wallpaper has there.
    box = (SCREEN_W // 2 - 16, 0, SCREEN_W, SCREEN_H // 8)
    green = shot.count(box, is_green_text)
    check(green >= 30 and green > 3 * reference.count(box, is_green_text) + 20,
          "no copyright line in the top right (%d green pixels)" % green)

    code = session.stop(session.program)
    check(code == 0, "exit code %d after SIGTERM" % code)
    check(roster_names(session.roster) == names,
          "roster after the run %r, expected %r" % (roster_names(session.roster), names))
    check(os.path.isfile(session.settings), "no settings file at " + session.settings)
    values = settings_values(session.settings)
    for key in ("NAMES", "SATIETY", "WALLTYPE", "WALLFILE", "STARTUP", "BBSIZE"):
        check(key in values, "settings file lacks %s: %r" % (key, values))


def middle_box():
    # Where fish swim, clear of the copyright line above and the ticker below.
    return (0, SCREEN_H // 6, SCREEN_W, SCREEN_H - SCREEN_H // 6)


def wait_for_motion(session, before, what):
    def moved():
        session.check_alive()
        after = session.screenshot("later")
        return differing_pixels(before, after, middle_box()) >= 100
    poll(what, moved, 20, interval=0.5)


def test_second_copy(session):
    start_with_roster(session)
    first = session.program
    second = session.start_program("second")

    def box_or_exit():
        if second.poll() is not None:
            return "exited"
        return window_titled(session, "警告")  # the caption of "多重起動はできません"

    box = poll("the second copy's message box", box_or_exit, 60)
    check(box != "exited", "the second copy ended (%s) without showing its message" % second.returncode)
    check(session.window_property(box[0], "_NET_WM_PID") == str(second.pid), "the box is not the second copy's")
    # Enter presses the box's OK button; repeated while the box is still there.
    for _ in range(int(20 * SCALE)):
        if second.poll() is not None:
            break
        session.x("xdotool", "windowfocus", box[0], check_rc=False)
        session.x("xdotool", "key", "--window", box[0], "Return", check_rc=False)
        try:
            second.wait(1)
        except subprocess.TimeoutExpired:
            pass
    try:
        code = second.wait(10 * SCALE)
    except subprocess.TimeoutExpired:
        raise Failure("the second copy did not end after its message box was answered")
    check(code == 255, "the second copy ended with %d, not 255" % code)
    check(first.poll() is None, "the first copy ended too")
    wait_for_motion(session, session.screenshot("after-second"), "the first copy's fish to move")
    check(session.stop(first) == 0, "the first copy did not end with 0")


def test_no_display(session):
    env = session.program_env(session.env)
    env.pop("DISPLAY")
    started = time.monotonic()
    result = subprocess.run([os.path.join(session.program_dir, "brinelight")], cwd=session.tmp, env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30 * SCALE)
    took = time.monotonic() - started
    check(result.returncode == 255, "exit code %d without a display" % result.returncode)
    check(took < 10 * SCALE, "took %.1f s to give up" % took)
    check(not os.path.exists(session.settings), "settings written although the program could not start")


def run_session(make_session, body, keep, errors=()):
    """Runs body on a new session and closes it (kept for inspection on failure or with keep); the
    exit code: 0 when body passed."""
    session = None
    ok = False
    try:
        session = make_session()
        body(session)
        ok = True
    except (Failure, subprocess.SubprocessError, OSError) + tuple(errors) as e:
        print("FAILED: %s" % e)
    finally:
        if session:
            session.close(keep=not ok or keep)
    print("passed" if ok else "")
    return 0 if ok else 1


def is_pellet_brown(r, g, b):
    return 60 <= r <= 200 and r > g > b and r - b >= 40


def pellet_cells(fed, still, box):
    """16-pixel cells of box where fed shows pellet brown that still (the same scene unfed) does not;
    None below eight, too few to be the drop cloud."""
    cells = set()
    x0, y0, x1, y1 = box
    for y in range(y0, y1, 2):
        row = y * fed.width * 3
        for x in range(x0, x1, 2):
            i = row + x * 3
            a, b = fed.data[i:i + 3], still.data[i:i + 3]
            if is_pellet_brown(*a) and sum(abs(p - q) for p, q in zip(a, b)) > 60:
                cells.add((x // 16, y // 16))
    return cells if len(cells) >= 8 else None


def test_tray_feed(session):
    start_with_roster(session)
    # Time stopped: the fish stand still, the frames go on.
    choose(session, MENU_STOP_TIME)
    shots = [session.screenshot("stopped")]

    def standing_still():
        time.sleep(0.5)
        shots.append(session.screenshot("still-stopped"))
        return differing_pixels(shots[-2], shots[-1], middle_box()) < 20

    poll("the fish to stand still after \"時間を止める\"", standing_still, 10, interval=0)
    still = shots[-1]
    # Fed while time stands still, then time let run again: the pellets show from the next steps.
    choose(session, MENU_FEED)
    choose(session, MENU_STOP_TIME)
    # The drop cloud lies above the fish, in the upper middle of the screen.
    box = (SCREEN_W // 4, 0, 3 * SCREEN_W // 4, 2 * SCREEN_H // 5)

    def pellets():
        session.check_alive()
        return pellet_cells(session.screenshot("fed"), still, box)

    cells = poll("brown pellets in the upper middle of the screen", pellets, 20, interval=0.5)
    check(len(cells) < 200, "%d cells changed: more than pellets" % len(cells))
    check(session.stop(session.program) == 0, "the program did not end with 0")


def add_fish(session, name, last_kind=False, focus_menu=False):
    """"金魚の追加": optionally the last kind of the list, the name typed into the edit box, Return.
    The dialog table puts the kind list at 49,8 and the edit box at 49,24 (75 wide) of 131x75."""
    choose(session, MENU_ADD, focus_menu=focus_menu)
    dialog = poll("the add dialog", lambda: window_titled(session, "金魚の追加"), 30)
    if last_kind:
        click_in(session, dialog, (49 + 37) / 131, (8 + 6) / 75)
        time.sleep(0.5)  # the list's popup opens on the click
        session.x("xdotool", "key", "End", "Return")
        time.sleep(0.5)
    click_in(session, dialog, (49 + 37) / 131, (24 + 7) / 75)
    session.x("xdotool", "key", "ctrl+a")
    session.x("xdotool", "type", "--delay", "30", name)
    session.x("xdotool", "key", "Return")
    poll("the add dialog to close", lambda: window_titled(session, "金魚の追加") is None, 30)


def test_add_delete_exit(session):
    names = start_with_roster(session)[0]
    name = "Tester%d" % (os.getpid() % 100)

    add_fish(session, name)
    poll("the new fish in fishsave.bin", lambda: roster_names(session.roster) == names + [name], 30)

    # Delete: the new fish is the last of the list (slot order); the list box sits at 49,8.
    choose(session, MENU_DELETE)
    dialog = poll("the delete dialog", lambda: window_titled(session, "金魚の削除"), 30)
    session.x("xdotool", "key", "End")  # keyboard focus is on the list box or on the buttons
    click_in(session, dialog, (49 + 37) / 131, (8 + 6) / 75)
    session.x("xdotool", "key", "End", "Return")
    time.sleep(0.5)  # the list's popup closes on Return; the next Return goes to the dialog
    session.x("xdotool", "key", "Return")
    poll("the delete dialog to close", lambda: window_titled(session, "金魚の削除") is None, 30)
    poll("fishsave.bin without the new fish", lambda: roster_names(session.roster) == names, 30)

    # Names shown, then exit from the menu: the setting is stored by the shutdown.
    choose(session, MENU_NAMES)
    choose(session, MENU_EXIT)
    try:
        code = session.program.wait(60 * SCALE)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after \"終了\"")
    check(code == 0, "exit code %d after \"終了\"" % code)
    check(roster_names(session.roster) == names, "roster after exit: %r" % roster_names(session.roster))
    values = settings_values(session.settings)
    check(values.get("NAMES") == "dword:00000001", "NAMES after exit: %r" % values.get("NAMES"))


def answer_box(session, title, pid):
    """Waits for the program's message box with that title, checks it is pid's, and presses its
    default button with Enter until it is gone."""
    box = poll("the \"%s\" message box" % title, lambda: window_titled(session, title), 30)
    check(session.window_property(box[0], "_NET_WM_PID") == str(pid), "the \"%s\" box is not the program's" % title)
    for _ in range(int(20 * SCALE)):
        if window_titled(session, title) is None:
            return
        session.x("xdotool", "windowfocus", box[0], check_rc=False)
        session.x("xdotool", "key", "Return", check_rc=False)
        time.sleep(0.5)
    poll("the \"%s\" box to close" % title, lambda: window_titled(session, title) is None, 10)


def test_quality_change(session):
    names = start_with_roster(session)[0]
    check(settings_values(session.settings).get("BBSIZE", "dword:00000003") != "dword:00000004",
          "the quality is UXGA before the change")

    # The quality list is at 59,7 73x(one row of 12) and OK at 24,68 50x14 of the 139x89 dialog.
    choose(session, MENU_SETTINGS)
    dialog = poll("the settings dialog", lambda: window_titled(session, "環境設定"), 30)
    click_in(session, dialog, (59 + 36) / 139, (7 + 6) / 89)
    time.sleep(0.5)  # the list's popup opens on the click
    session.x("xdotool", "key", "End", "Return")  # UXGA(1600x1200) is the last entry
    time.sleep(0.5)
    click_in(session, dialog, (24 + 25) / 139, (68 + 7) / 89)
    poll("the settings dialog to close", lambda: window_titled(session, "環境設定") is None, 30)
    poll("BBSIZE=dword:00000004 in the settings file",
         lambda: settings_values(session.settings).get("BBSIZE") == "dword:00000004", 30)

    # Device and scene rebuilt: the program goes on drawing, with the same fish.
    time.sleep(1)
    session.check_alive()
    wait_for_motion(session, session.screenshot("after-quality"), "the fish to move after the rebuild")
    box = (SCREEN_W // 2 - 16, 0, SCREEN_W, SCREEN_H // 8)
    check(session.screenshot("rebuilt").count(box, is_green_text) >= 30, "no copyright line after the rebuild")
    check(roster_names(session.roster) == names,
          "roster after the rebuild %r, expected %r" % (roster_names(session.roster), names))
    check(session.stop(session.program) == 0, "the program did not end with 0")
    check(settings_values(session.settings).get("BBSIZE") == "dword:00000004", "BBSIZE lost at exit")
    check(roster_names(session.roster) == names, "roster after exit: %r" % roster_names(session.roster))


class CannedProxy:
    """A proxy on loopback that answers every request with one canned response and keeps the
    request lines it saw: what http_proxy points at in front of a proxy that fails."""

    def __init__(self, response):
        self.response = response
        self.requests = []
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.stopping = False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        self.listener.settimeout(0.2)
        while not self.stopping:
            try:
                conn, _ = self.listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            with conn:
                conn.settimeout(5)
                head = b""
                try:
                    while b"\r\n\r\n" not in head and len(head) < 65536:
                        chunk = conn.recv(4096)
                        if not chunk:
                            break
                        head += chunk
                    self.requests.append(head.split(b"\r\n", 1)[0].decode(errors="replace"))
                    conn.sendall(self.response)
                except OSError:
                    pass

    def close(self):
        self.stopping = True
        self.thread.join(5)
        self.listener.close()


def test_proxy_error_page(session):
    """A proxy that answers 502 with its own page and a Content-Length: start-up goes on, the
    ticker shows the fixed lines and the program runs until it is asked to end."""
    page = b"<html><head><title>502 Bad Gateway</title></head><body><h1>Bad Gateway</h1></body></html>"
    proxy = CannedProxy(b"HTTP/1.1 502 Bad Gateway\r\nContent-Type: text/html\r\nContent-Length: %d\r\n"
                        b"Connection: close\r\n\r\n%s" % (len(page), page))
    try:
        url = "http://127.0.0.1:%d" % proxy.port
        session.env.update(http_proxy=url, HTTP_PROXY=url)
        write_starter_roster(session.args.source_dir, session.roster)
        session.program = session.start_program()
        # An ending program is the fault looked for: noticed at once, not after the window wait.
        poll("the desktop window", lambda: session.check_alive() or session.desktop_window(session.program.pid), 60)
        window, shot = session.wait_for_frames(session.program.pid)
        check(any("topix.php" in line for line in proxy.requests),
              "the proxy saw no request for the topics: %r" % proxy.requests)
        # The ticker's first fixed line, the copyright line, scrolls in from the bottom right.
        strip = (SCREEN_W // 2, SCREEN_H - SCREEN_H // 10, SCREEN_W, SCREEN_H)

        def ticker():
            session.check_alive()
            return session.screenshot("ticker").count(strip, is_ticker_text) >= 30

        poll("the ticker's text in the bottom right", ticker, 20, interval=0.5)
        wait_for_motion(session, shot, "the fish to move")
        time.sleep(1)
        session.check_alive()
        check(session.stop(session.program) == 0, "the program did not end with 0")
    finally:
        proxy.close()


EXTENSION_DIALOG = "拡張ﾌｧｲﾙを選択"


def pick_extension(session, path):
    """"拡張データの追加", the path typed into the open-file dialog's name field, accepted."""
    choose(session, MENU_EXTENSION, focus_menu=True)
    dialog = poll("the open-file dialog", lambda: window_titled(session, EXTENSION_DIALOG), 30)
    session.x("xdotool", "windowfocus", dialog[0], check_rc=False)
    time.sleep(0.3)
    session.x("xdotool", "key", "ctrl+a")  # the name field has the focus
    session.x("xdotool", "type", "--delay", "20", path)
    time.sleep(0.5)
    session.x("xdotool", "key", "Return")
    # A completion popup may take the first Return; a second one accepts the dialog.
    for _ in range(int(10 * SCALE)):
        if window_titled(session, EXTENSION_DIALOG) is None:
            return
        time.sleep(0.5)
        if window_titled(session, EXTENSION_DIALOG) is not None:
            session.x("xdotool", "key", "Return", check_rc=False)
    poll("the open-file dialog to close", lambda: window_titled(session, EXTENSION_DIALOG) is None, 10)


def test_install_extension(session):
    start_with_roster(session)
    objects = os.path.join(session.program_dir, "object")
    before = sorted(os.listdir(objects))
    check("fish3.pak" not in before, "object/ already holds fish3.pak: %r" % before)
    source = os.path.join(session.program_dir, "extensions", "tancho.exd")
    check(os.path.isfile(source), "no extensions/tancho.exd in the program folder")

    pick_extension(session, source)
    answer_box(session, "情報", session.program.pid)
    target = os.path.join(objects, "fish3.pak")
    check(os.path.isfile(target), "no object/fish3.pak after the install: %r" % sorted(os.listdir(objects)))
    with open(source, "rb") as a, open(target, "rb") as b:
        check(a.read() == b.read(), "object/fish3.pak differs from tancho.exd")
    # Besides the pack, only its unlock ledger (fish3.dat) may appear.
    installed = sorted(os.listdir(objects))
    packs = [n for n in installed if n.endswith(".pak")]
    check(packs == sorted([n for n in before if n.endswith(".pak")] + ["fish3.pak"]),
          "object/ after the install: %r" % installed)
    check(set(installed) - set(before) <= {"fish3.pak", "fish3.dat"}, "object/ after the install: %r" % installed)

    # A text file with the right extension is refused and nothing is copied.
    bad = os.path.join(session.tmp, "bad.exd")
    with open(bad, "w") as f:
        f.write("this is not a fish pack\n" * 8)
    pick_extension(session, bad)
    answer_box(session, "警告", session.program.pid)
    time.sleep(0.5)
    check(sorted(os.listdir(objects)) == installed, "object/ after the refusal: %r" % sorted(os.listdir(objects)))
    session.check_alive()
    check(session.stop(session.program) == 0, "the program did not end with 0")


def trace_lines(session, name="program"):
    with open(session.logs[name], "rb") as f:
        return [line for line in f.read().decode(errors="replace").splitlines()
                if line.startswith("brinelight trace:")]


TRACE_COUNTS = re.compile(r"frames=(\d+) steps=(\d+) visible=(\d)")


def latest_counts(session):
    """(frames, steps, visible) of the latest trace report, or None."""
    for line in reversed(trace_lines(session)):
        found = TRACE_COUNTS.search(line)
        if found:
            return tuple(int(v) for v in found.groups())
    return None


def test_covered_desktop(session):
    """A window over the whole screen stops the frames but not the tank's steps; closed, frames go on."""
    sys.path.insert(0, os.path.join(session.args.source_dir, "tests", "support"))
    import xlib_ctypes
    write_starter_roster(session.args.source_dir, session.roster)
    session.args.program_env["BRINE_TRACE"] = "frames"
    session.program = session.start_program()
    poll("the first frame", lambda: session.check_alive() or
         any("first frame" in line for line in trace_lines(session)), 60)
    x = xlib_ctypes.XConnection(session.display)
    try:
        cover = x.cover(SCREEN_W, SCREEN_H)
        poll("the trace to say the desktop is hidden",
             lambda: any("desktop hidden" in line for line in trace_lines(session)), 10)
        poll("a report while hidden", lambda: (latest_counts(session) or (0, 0, 1))[2] == 0, 10)
        frames, steps, _ = latest_counts(session)
        time.sleep(2.5 * SCALE)
        frames_later, steps_later, visible = latest_counts(session)
        check(visible == 0, "the desktop counts as visible under the covering window")
        check(frames_later == frames, "%d frames drawn while covered" % (frames_later - frames))
        check(steps_later - steps >= 20, "only %d tank steps in 2 s while covered" % (steps_later - steps))
        x.destroy(cover)
        poll("the trace to say the desktop is shown again",
             lambda: any("desktop shown" in line for line in trace_lines(session)), 10)
        poll("frames after the window closed",
             lambda: (latest_counts(session) or (0, 0, 0))[0] > frames_later + 5, 20)
    finally:
        x.close()
    code = session.stop(session.program)
    check(code == 0, "exit code %d after SIGTERM" % code)


def roster_kinds(path):
    """{name: kindIndex} of the occupied records of fishsave.bin."""
    with open(path, "rb") as f:
        raw = f.read()
    kinds = {}
    for slot in range(len(raw) // 64):
        used, kind = struct.unpack_from("<ii", raw, slot * 64)
        name = raw[slot * 64 + 32:slot * 64 + 64].split(b"\0", 1)[0]
        if used == 1 and name:
            kinds[name.decode("cp932")] = kind
    return kinds


def test_installed(session):
    """Installed read-only, run by an unprivileged user: the shipped starter roster appears, a fish
    added from the tray and an installed kind (with a fish of it) outlive a restart, and nothing
    is written into the prefix."""
    check(not os.path.exists(session.user_data), "the user's data folder exists before the first run")
    session.program = session.start_program()
    session.wait_for_frames(session.program.pid)
    wait_for_motion(session, session.screenshot("installed"), "the starter fish to move")
    starter = roster_names(os.path.join(session.shipped, "fishsave.bin"))

    # The first save writes the user's roster: the shipped starter fish and the new one.
    added = "Keep%d" % (os.getpid() % 100)
    add_fish(session, added)
    poll("the starter fish and the new one in the user's roster",
         lambda: os.path.isfile(session.roster) and roster_names(session.roster) == starter + [added], 30)

    # The shipped extension file goes into the user's folder as the next pack after the shipped two.
    source = os.path.join(session.shipped, "extensions", "tancho.exd")
    pick_extension(session, source)
    answer_box(session, "情報", session.program.pid)
    target = os.path.join(session.user_data, "object", "fish3.pak")
    check(os.path.isfile(target), "no fish3.pak in the user's object folder")
    with open(source, "rb") as a, open(target, "rb") as b:
        check(a.read() == b.read(), "the installed pack differs from tancho.exd")

    # A fish of the new kind, the last of the list: it comes back only while its kind does.
    tancho = "Tan%d" % (os.getpid() % 100)
    add_fish(session, tancho, last_kind=True, focus_menu=True)
    poll("the fish of the installed kind in the roster", lambda: tancho in roster_kinds(session.roster), 30)
    kinds = roster_kinds(session.roster)
    shipped_kinds = set(roster_kinds(os.path.join(session.shipped, "fishsave.bin")).values())
    check(kinds[tancho] > max(shipped_kinds | {kinds[added]}),
          "the last kind of the list is %d, not the installed one" % kinds[tancho])
    check(session.stop(session.program) == 0, "the first run did not end with 0")

    # Restarted: the roster read back and saved again at the end keeps both fish, kinds and all.
    session.program = session.start_program("restarted")
    session.wait_for_frames(session.program.pid)
    check(session.stop(session.program) == 0, "the second run did not end with 0")
    check(roster_names(session.roster) == starter + [added, tancho],
          "roster after the restart: %r" % roster_names(session.roster))
    check(roster_kinds(session.roster) == kinds, "kinds after the restart: %r" % roster_kinds(session.roster))

    after = tree_state(session.prefix)
    changed = sorted(p for p in set(after) | set(session.prefix_before) if after.get(p) != session.prefix_before.get(p))
    check(not changed, "the prefix changed: %r" % changed)
    owned = [os.path.join(r, n) for r, ds, fs in os.walk(session.user_data) for n in ds + fs
             if os.lstat(os.path.join(r, n)).st_uid != NOBODY]
    check(not owned, "files in the user's folder not owned by the user: %r" % owned)


TESTS = {
    "covered_desktop": (test_covered_desktop, False),
    "startup": (test_startup_and_orderly_end, False),
    "second_copy": (test_second_copy, False),
    "no_display": (test_no_display, False),
    "tray_feed": (test_tray_feed, True),
    "add_delete_exit": (test_add_delete_exit, True),
    "quality_change": (test_quality_change, True),
    "install_extension": (test_install_extension, True),
    "installed": (test_installed, True),
    "proxy_error_page": (test_proxy_error_page, False),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=sorted(TESTS))
    parser.add_argument("--program-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--build-dir", help="the build tree to install from (the installed test)")
    parser.add_argument("--program-env", action="append", default=[],
                        help="NAME=VALUE for the program's processes only")
    parser.add_argument("--asan-options", default="",
                        help="options appended to ASAN_OPTIONS for the program's processes only")
    parser.add_argument("--keep", action="store_true", help="keep the temp folder even on success")
    args = parser.parse_args()
    args.program_env = dict(item.split("=", 1) for item in args.program_env)

    tools = ["Xvfb", "xwininfo", "xprop", "xdotool", "import", "convert"]
    if TESTS[args.test][1]:
        tools.append("trayer")
    if args.test == "installed":
        tools.append("setpriv")
    missing = [t for t in tools if shutil.which(t) is None]
    if missing:
        print("SKIPPED: missing " + ", ".join(missing))
        return SKIP
    if not os.access(os.path.join(args.program_dir, "brinelight"), os.X_OK):
        print("no program in " + args.program_dir)
        return 1

    function, tray = TESTS[args.test]
    return run_session(lambda: (InstalledSession if args.test == "installed" else Session)(args, tray=tray),
                       function, args.keep)


if __name__ == "__main__":
    sys.exit(main())
