#!/usr/bin/env python3
# The real brinelight.exe under wine, as a user meets it, watched from outside: a copy of its
# program directory with a starter roster, the aquarium on the screen (the wallpaper, moving
# goldfish, the copyright line and the ticker), the goldfish in the tray, food from the tray's
# menu, the exit from the menu and what it leaves (the registry key, fishsave.bin), a second copy,
# a missing D3DX, and the end of the session. Needs WINEPREFIX and DISPLAY with a persistent
# wineserver (scripts/test_windows.sh), xdotool and ImageMagick; the images are read with the
# helpers of the Linux end-to-end test.
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))
from brinelight_e2e import (Failure, Image, check, differing_pixels, is_green_text,  # noqa: E402
                            is_ticker_text, pellet_cells, poll, roster_names, run_session,
                            write_starter_roster)

SCREEN_W, SCREEN_H = 1280, 1024
KEY = r"HKCU\Software\Orvane\Brinelight Vespera"
MENU_FEED, MENU_STOP_TIME, MENU_EXIT = 0, 5, 11
MIDDLE = (0, SCREEN_H // 6, SCREEN_W, SCREEN_H - SCREEN_H // 6)  # where fish swim, clear of the texts


def is_goldfish(r, g, b):
    return r >= 170 and r > g + 50 and r > b + 90


class Session:
    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="brine-win-e2e-")
        self.program_dir = os.path.join(self.tmp, "program")
        shutil.copytree(args.program_dir, self.program_dir, ignore=shutil.ignore_patterns("fishsave.bin"))
        self.roster = os.path.join(self.program_dir, "fishsave.bin")
        self.env = dict(os.environ)
        # Topics from an address that answers nothing at once: the ticker shows the built-in line.
        self.env.update(http_proxy="http://127.0.0.1:9", no_proxy="")
        self.programs = []
        self.shots = 0
        os.makedirs(args.shots, exist_ok=True)

    def wine(self, *command, env=None):
        out = os.path.join(self.tmp, "wine.out")
        with open(out, "wb") as f:  # wine's service processes would keep a pipe open
            code = subprocess.call(["wine"] + list(command), stdout=f, stderr=subprocess.STDOUT,
                                   env=env or self.env, timeout=120)
        with open(out, "rb") as f:
            return code, f.read().decode("utf-8", "replace").replace("\r", "")

    def start(self, name, extra_env=None):
        env = dict(self.env)
        env.update(extra_env or {})
        log = open(os.path.join(self.tmp, name + ".log"), "wb")
        proc = subprocess.Popen(["wine", os.path.join(self.program_dir, "brinelight.exe")], cwd=self.tmp, env=env,
                                stdout=log, stderr=subprocess.STDOUT)
        self.programs.append(proc)
        return proc

    def ended(self, proc, what, timeout=30):
        poll(what, lambda: proc.poll() is not None, timeout)
        return proc.returncode

    def x(self, *command):
        return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout.decode()

    def screenshot(self, keep_as=None):
        path = os.path.join(self.tmp, "screen.ppm")
        subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:" + path], check=True, timeout=60)
        if keep_as:
            self.shots += 1
            subprocess.run(["convert", path, os.path.join(self.args.shots, "%02d-%s.png" % (self.shots, keep_as))],
                           check=True, timeout=60)
        return Image.read_ppm(path)

    def windows_named(self, pattern):
        return [w for w in self.x("xdotool", "search", "--onlyvisible", "--name", pattern).split() if w]

    def geometry(self, window):
        fields = dict(line.split("=", 1) for line in self.x("xdotool", "getwindowgeometry", "--shell", window).split())
        return tuple(int(fields[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def close(self, keep):
        for proc in self.programs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        if keep:
            print("kept for inspection: " + self.tmp)
        else:
            shutil.rmtree(self.tmp, ignore_errors=True)


def wait_for_aquarium(session, proc):
    """The first frames: the copyright line in the top right shows the device drew."""
    box = (SCREEN_W // 2 - 16, 0, SCREEN_W, SCREEN_H // 8)

    def drawn():
        check(proc.poll() is None, "the program ended early with code %s" % proc.returncode)
        shot = session.screenshot()
        return shot if shot.count(box, is_green_text) >= 30 else None

    poll("the aquarium's first frame", drawn, 60, interval=0.5)
    time.sleep(1.0)  # the fish settle into their first motions
    return session.screenshot()


def check_aquarium(session, proc):
    shot = wait_for_aquarium(session, proc)
    session.screenshot("aquarium")
    reference_path = os.path.join(session.tmp, "wallpaper.ppm")
    subprocess.run(["convert", os.path.join(session.program_dir, "bg_sprite1.jpg"), "-resize",
                    "%dx%d!" % (SCREEN_W, SCREEN_H), "-depth", "8", "ppm:" + reference_path], check=True)
    reference = Image.read_ppm(reference_path)
    ours, theirs = shot.block_means(32, 32), reference.block_means(32, 32)
    close = sum(1 for a, b in zip(ours, theirs) if max(abs(p - q) for p, q in zip(a, b)) < 24)
    check(close >= 0.85 * len(ours), "only %d of %d screen blocks look like the wallpaper" % (close, len(ours)))
    top_right = (SCREEN_W // 2 - 16, 0, SCREEN_W, SCREEN_H // 8)
    green = shot.count(top_right, is_green_text)
    check(green >= 30 and green > 3 * reference.count(top_right, is_green_text) + 20,
          "no copyright line in the top right (%d green pixels)" % green)
    bottom = (0, SCREEN_H - SCREEN_H // 10, SCREEN_W, SCREEN_H)
    ticker = shot.count(bottom, is_ticker_text)
    check(ticker >= 30 and ticker > 3 * reference.count(bottom, is_ticker_text) + 20,
          "no ticker along the bottom (%d cyan pixels)" % ticker)
    fish = shot.count(MIDDLE, is_goldfish, step=2)
    check(fish >= 100 and fish > 10 * reference.count(MIDDLE, is_goldfish, step=2) + 50,
          "only %d goldfish-coloured pixels where the fish swim" % fish)

    def moved():
        later = session.screenshot()
        return differing_pixels(shot, later, MIDDLE) >= 100

    poll("the goldfish to move", moved, 20, interval=0.5)
    print("aquarium: %d of %d blocks are the wallpaper; %d copyright, %d ticker and %d goldfish pixels; the fish move"
          % (close, len(ours), green, ticker, fish))


def check_tray_icon(session):
    tray = poll("wine's tray window", lambda: session.windows_named("^Wine System Tray$"), 30)[0]
    x, y, w, h = session.geometry(tray)
    shot = session.screenshot()
    goldfish = shot.count((x, y, min(x + 32, x + w), y + h), is_goldfish)
    check(goldfish >= 8, "the tray shows no goldfish icon (%d goldfish pixels): not the program's own icon" % goldfish)
    print("tray: the program's goldfish icon (%d pixels)" % goldfish)
    return tray


def choose(session, tray, position, keep_as=None):
    """Right-clicks the tray icon, waits for the menu, picks the item at position (separators not
    counted) with the keyboard."""
    before = set(session.x("xdotool", "search", "--onlyvisible", "--class", "brinelight").split())

    def menu():
        now = set(session.x("xdotool", "search", "--onlyvisible", "--class", "brinelight").split())
        return now - before

    def click_until_open():
        # A click that lands while the program is busy with its first frames can be lost.
        session.x("xdotool", "mousemove", "--window", tray, "10", "10", "click", "3")
        try:
            return poll("the tray's menu", menu, 5)
        except Failure:
            return None

    poll("the tray's menu to open on a right click", click_until_open, 20, interval=0)
    time.sleep(0.3)
    if keep_as:
        session.screenshot(keep_as)
    session.x("xdotool", "key", *(["Down"] * (position + 1) + ["Return"]))
    poll("the menu to close", lambda: not menu(), 20)


def check_feeding(session, tray):
    choose(session, tray, MENU_STOP_TIME, keep_as="tray-menu")
    shots = [session.screenshot()]

    def still():
        time.sleep(0.5)
        shots.append(session.screenshot())
        return differing_pixels(shots[-2], shots[-1], MIDDLE) < 20

    poll("the fish to stand still after 時間を止める", still, 15, interval=0)
    quiet = shots[-1]
    choose(session, tray, MENU_FEED)
    choose(session, tray, MENU_STOP_TIME)
    box = (SCREEN_W // 4, 0, 3 * SCREEN_W // 4, 2 * SCREEN_H // 5)  # the drop cloud, above the fish

    def pellets():
        return pellet_cells(session.screenshot(), quiet, box)

    cells = poll("brown pellets in the upper middle after エサ投入", pellets, 20, interval=0.5)
    check(len(cells) < 200, "%d cells changed: more than pellets" % len(cells))
    session.screenshot("fed")
    print("feeding: pellets in %d cells of the drop cloud" % len(cells))


def registry(session):
    code, out = session.wine("reg", "query", KEY)
    values = {}
    for line in out.splitlines():
        parts = line.split()
        if code == 0 and len(parts) == 3 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2])
    return values


def check_exit_leaves_settings_and_roster(session, proc, tray, names):
    choose(session, tray, MENU_EXIT)
    check(session.ended(proc, "the program to end after 終了") == 0, "exit code %s after 終了" % proc.returncode)
    values = registry(session)
    for name in ("NAMES", "SATIETY", "WALLTYPE", "STARTUP", "BBSIZE"):
        check(values.get(name, ("",))[0] == "REG_DWORD", "%s is not a DWORD in the key: %r" % (name, values))
    check(values.get("WALLFILE", ("",))[0] == "REG_BINARY", "WALLFILE is not binary: %r" % values)
    check(bytes.fromhex(values["WALLFILE"][1]) == b"bg_sprite1.jpg",
          "WALLFILE holds %r" % bytes.fromhex(values["WALLFILE"][1]))
    check(int(values["STARTUP"][1], 16) != 0, "no unlock clock was stored")
    check(int(values["BBSIZE"][1], 16) <= 4, "BBSIZE %s" % values["BBSIZE"][1])
    check(roster_names(session.roster) == names, "fishsave.bin names %r after the run, expected %r"
          % (roster_names(session.roster), names))
    print("exit: code 0; the key holds %s; fishsave.bin keeps %d fish" % (", ".join(sorted(values)), len(names)))


def warning_box(session, proc, what):
    def box():
        if proc.poll() is not None:
            return "ended"
        return session.windows_named("^警告$")

    found = poll(what, box, 60)
    check(found != "ended", "the program ended (%s) without its message box" % proc.returncode)
    session.screenshot(what.replace(" ", "-"))
    for _ in range(20):
        if proc.poll() is not None:
            break
        session.x("xdotool", "windowfocus", "--sync", found[0], "key", "Return")
        time.sleep(0.5)
    return session.ended(proc, "the program to end after its message")


def check_second_copy_and_session_end(session, names):
    first = session.start("first")
    wait_for_aquarium(session, first)
    saved = os.stat(session.roster).st_mtime_ns
    second = session.start("second")
    code = warning_box(session, second, "second copy")
    check(code == 255, "the second copy ended with %d, not -1" % code)
    check(first.poll() is None, "the first copy ended too")
    print("second copy: 多重起動はできません, exit code -1; the first goes on")
    # The end of the session saves as the exit command does, before the message returns: wine's
    # wineboot then ends every process, as Windows may.
    check(not registry(session), "the key was written before the session's end")
    time.sleep(1.1)  # a rewrite shows in the file's time
    session.wine("wineboot", "--end-session")
    session.ended(first, "the program to end with the session")
    check(os.stat(session.roster).st_mtime_ns != saved, "fishsave.bin was not written at the session's end")
    check(roster_names(session.roster) == names, "fishsave.bin names %r at the session's end" % roster_names(session.roster))
    check("WALLFILE" in registry(session), "the settings were not written at the session's end")
    print("session end: the roster and the settings saved")


def check_missing_d3dx(session):
    session.wine("reg", "delete", KEY, "/f")
    overrides = ";".join(filter(None, [session.env.get("WINEDLLOVERRIDES", ""), "d3dx9_43=d"]))
    proc = session.start("no-d3dx", {"WINEDLLOVERRIDES": overrides})
    code = warning_box(session, proc, "no d3dx")
    check(code == 255, "without d3dx9_43.dll the program ended with %d, not -1" % code)
    check(not registry(session), "settings were written although the program could not start")
    print("missing d3dx9_43.dll: the warning, exit code -1, nothing written")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--shots", required=True, help="where the screenshots worth looking at go")
    parser.add_argument("--keep", action="store_true")
    args = parser.parse_args()
    for var in ("WINEPREFIX", "DISPLAY"):
        if not os.environ.get(var):
            print("%s is not set: run under scripts/test_windows.sh" % var)
            return 1
    def checks(session):
        session.wine("reg", "delete", KEY, "/f")
        names = write_starter_roster(args.source_dir, session.roster)
        proc = session.start("program")
        check_aquarium(session, proc)
        tray = check_tray_icon(session)
        check_feeding(session, tray)
        check_exit_leaves_settings_and_roster(session, proc, tray, names)
        check_missing_d3dx(session)
        check_second_copy_and_session_end(session, names)  # last: the session's end also ends wine's desktop

    return run_session(lambda: Session(args), checks, args.keep, errors=(KeyError, ValueError))


if __name__ == "__main__":
    sys.exit(main())
