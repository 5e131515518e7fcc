#!/usr/bin/env python3
# The aquarium in Wayland sessions, observed from outside: under sway (the layer shell) with
# grim's screenshots and sway's window tree, and under mutter (GNOME's compositor) through
# XWayland by the X stacking order. The program, the compositor and every other client run as an
# unprivileged user (wayland_session.py). Needs sway, swaybg, swaybar, grim, mutter and X tools.
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from brinelight_e2e import (Image, Failure, check, differing_pixels, is_green_text, poll,  # noqa: E402
                            write_starter_roster)
from wayland_session import NOBODY, WIDTH, HEIGHT, WaylandSession, SessionError  # noqa: E402

SKIP = 77
TITLE_A, TITLE_B = "brine test window A", "brine test window B"
RECT_A, RECT_B = (160, 120, 420, 300), (720, 300, 360, 260)  # x, y, width, height
COLOUR_A, COLOUR_B = (255, 0, 255), (0, 255, 255)  # no aquarium pixel is pure magenta or cyan
SWAYBG = (48, 80, 160)


class Run:
    """One compositor session with a copy of the program, run as the session's user."""

    def __init__(self, args, kind, **session_options):
        self.args = args
        self.session = WaylandSession(kind, **session_options)
        self.tmp = self.session.tmp
        self.program_dir = os.path.join(self.tmp, "program")
        shutil.copytree(args.program_dir, self.program_dir, ignore=shutil.ignore_patterns("fishsave.bin"))
        self.roster = os.path.join(self.program_dir, "fishsave.bin")
        write_starter_roster(args.source_dir, self.roster)
        self.config = self.session.folder("config")
        for root, dirs, files in os.walk(self.program_dir):
            for name in dirs + files + [""]:
                os.chown(os.path.join(root, name), NOBODY, NOBODY)
        self.program = None
        self.shots = 0

    def start_program(self):
        env = {"XDG_CONFIG_HOME": self.config,
               # the topics fetch must not reach the network: a refused proxy fails it at once
               "http_proxy": "http://127.0.0.1:9", "HTTP_PROXY": "http://127.0.0.1:9", "no_proxy": ""}
        self.program = self.session.start("program", [os.path.join(self.program_dir, "brinelight")], env=env)
        return self.program

    def start_window(self, title, colour, rect, platform="wayland"):
        return self.session.start(title.replace(" ", "_"), [
            self.args.test_window, "#%02x%02x%02x" % colour, str(rect[2]), str(rect[3]), title],
            env={"QT_QPA_PLATFORM": platform})

    def check_alive(self):
        if self.program is not None and self.program.poll() is not None:
            raise Failure("the program ended early with code %d" % self.program.returncode)

    def shot(self, name):
        self.shots += 1
        path = os.path.join(self.session.shots, "%02d-%s.ppm" % (self.shots, name))
        return Image.read_ppm(self.session.screenshot(path))

    def stop_program(self):
        self.program.terminate()
        try:
            return self.program.wait(30)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within 30 s of SIGTERM")

    def close(self, keep):
        self.session.close(keep=keep)


# ---- pictures -------------------------------------------------------------------------------------

def inside(rect):
    x, y, w, h = rect
    return (x, y, x + w, y + h)


def colour_is(colour, tolerance=0):
    return lambda r, g, b: max(abs(r - colour[0]), abs(g - colour[1]), abs(b - colour[2])) <= tolerance


def check_whole(shot, rect, colour, name):
    box = inside(rect)
    total = (box[2] - box[0]) * (box[3] - box[1])
    same = shot.count(box, colour_is(colour, 2))
    check(same == total, "%s is not whole: %d of its %d pixels show something else" % (name, total - same, total))


def copyright_drawn(shot):
    # The copyright line, green text in the top right, comes with every drawn frame.
    return shot.count((WIDTH // 2, 0, WIDTH, HEIGHT // 8), is_green_text) >= 30


def wait_for_frames(run, what="a drawn frame"):
    def drawn():
        run.check_alive()
        shot = run.shot("frame")
        return shot if copyright_drawn(shot) else None
    return poll(what, drawn, 60, interval=0.5)


def wait_for_motion(run, before, box, what):
    def moved():
        run.check_alive()
        after = run.shot("later")
        return after if differing_pixels(before, after, box) >= 100 else None
    return poll(what, moved, 20, interval=0.5)


def wallpaper_reference(run):
    path = os.path.join(run.tmp, "wallpaper.ppm")
    subprocess.run(["convert", os.path.join(run.program_dir, "bg_sprite1.jpg"), "-resize",
                    "%dx%d!" % (WIDTH, HEIGHT), "-depth", "8", "ppm:" + path], check=True)
    return Image.read_ppm(path)


def blocks_like(shot, reference, skip_rects, blocks=32):
    """(close, compared): screen blocks outside skip_rects whose mean colour matches the reference's."""
    bw, bh = WIDTH // blocks, HEIGHT // blocks
    ours, theirs = shot.block_means(blocks, blocks), reference.block_means(blocks, blocks)
    close = compared = 0
    for i, (a, b) in enumerate(zip(ours, theirs)):
        x, y = (i % blocks) * bw, (i // blocks) * bh
        if any(x + bw > rx and x < rx + rw and y + bh > ry and y < ry + rh for rx, ry, rw, rh in skip_rects):
            continue
        compared += 1
        close += max(abs(p - q) for p, q in zip(a, b)) < 24
    return close, compared


def program_views(run):
    return [v for v in run.session.sway_views() if v[1] == run.program.pid]


# ---- the tests ---------------------------------------------------------------------------------

def test_sway_behind_windows(run):
    """Fish on the background layer, full screen, behind an ordinary window opened before the
    program and one opened after it; neither window is covered, and the program has no window
    sway manages (nothing tiled or floating)."""
    run.start_window(TITLE_A, COLOUR_A, RECT_A)
    poll("the first window", lambda: any(v[0] == TITLE_A for v in run.session.sway_views()), 20)
    run.start_program()
    wait_for_frames(run)
    run.start_window(TITLE_B, COLOUR_B, RECT_B)
    poll("the second window", lambda: any(v[0] == TITLE_B for v in run.session.sway_views()), 20)

    def second_drawn():
        shot = run.shot("both")
        return shot if shot.count(inside(RECT_B), colour_is(COLOUR_B, 2)) > 1000 else None

    shot = poll("the second window drawn", second_drawn, 20, interval=0.3)
    check_whole(shot, RECT_A, COLOUR_A, "the window opened before the program")
    check_whole(shot, RECT_B, COLOUR_B, "the window opened after the program")
    close, compared = blocks_like(shot, wallpaper_reference(run), [RECT_A, RECT_B])
    check(close >= 0.85 * compared, "only %d of %d blocks outside the windows show the aquarium's wallpaper"
          % (close, compared))
    views = run.session.sway_views()
    check(not program_views(run), "sway manages a window of the program: %r" % views)
    check(sorted(v[0] for v in views) == sorted([TITLE_A, TITLE_B]), "sway's windows: %r" % views)

    # The fish swim on, and the windows stay whole above them.
    middle = (0, HEIGHT // 6, WIDTH, HEIGHT - HEIGHT // 6)
    later = wait_for_motion(run, shot, middle, "the fish to move")
    check_whole(later, RECT_A, COLOUR_A, "the first window, later")
    check_whole(later, RECT_B, COLOUR_B, "the second window, later")
    code = run.stop_program()
    check(code == 0, "exit code %d after SIGTERM" % code)


def test_sway_wallpaper_client(run):
    """swaybg started first would hide a background-layer surface: the fish come on the bottom
    layer instead, over swaybg's colour, which shows everywhere the fish and captions are not (the
    aquarium's own wallpaper is not drawn)."""
    run.session.start("swaybg", ["swaybg", "-c", "#%02x%02x%02x" % SWAYBG])
    poll("swaybg's colour", lambda: run.shot("swaybg").count((0, 0, WIDTH, HEIGHT), colour_is(SWAYBG), step=16)
         == (WIDTH // 16) * (HEIGHT // 16), 20, interval=0.3)
    run.start_program()
    shot = wait_for_frames(run)
    middle = (0, HEIGHT // 6, WIDTH, HEIGHT - HEIGHT // 6)
    total = ((middle[2] - middle[0]) // 2) * ((middle[3] - middle[1]) // 2)
    wallpaper = shot.count(middle, colour_is(SWAYBG, 2), step=2)
    check(wallpaper >= 0.6 * total, "swaybg's colour shows on only %d of %d sampled pixels" % (wallpaper, total))
    moved = wait_for_motion(run, shot, middle, "the fish to move")
    fish = total - moved.count(middle, colour_is(SWAYBG, 24), step=2)
    check(fish >= 200, "only %d sampled pixels differ from swaybg's colour: no fish" % fish)
    check(not program_views(run), "sway manages a window of the program")
    code = run.stop_program()
    check(code == 0, "exit code %d after SIGTERM" % code)


def test_sway_wallpaper_client_comes_and_goes(run):
    """A wallpaper client that starts after the program would lie beneath the tank's background
    surface: the tank moves to the bottom layer, see-through over it, and back onto the background
    layer with its own wallpaper once the client has gone for good; the program runs on."""
    reference = wallpaper_reference(run)
    run.start_program()
    wait_for_frames(run)

    def aquarium_wallpaper():
        run.check_alive()
        close, compared = blocks_like(run.shot("own"), reference, [])
        return close >= 0.85 * compared

    poll("the aquarium's own wallpaper", aquarium_wallpaper, 20, interval=0.5)
    swaybg = run.session.start("swaybg", ["swaybg", "-c", "#%02x%02x%02x" % SWAYBG])
    middle = (0, HEIGHT // 6, WIDTH, HEIGHT - HEIGHT // 6)
    total = ((middle[2] - middle[0]) // 2) * ((middle[3] - middle[1]) // 2)

    def over_swaybg():
        run.check_alive()
        shot = run.shot("over")
        return copyright_drawn(shot) and shot.count(middle, colour_is(SWAYBG, 2), step=2) >= 0.6 * total

    poll("the fish over swaybg's colour", over_swaybg, 20, interval=0.5)
    swaybg.terminate()
    swaybg.wait(10)
    poll("the aquarium's own wallpaper again", aquarium_wallpaper, 30, interval=0.5)
    code = run.stop_program()
    check(code == 0, "exit code %d after SIGTERM" % code)


def is_icon_orange(r, g, b):
    return r >= 180 and 40 <= g <= 170 and b <= 90


def tray_icon_shown(run):
    run.check_alive()
    bar = (WIDTH - 64, 0, WIDTH, 32)  # the tray is the bar's right end
    return run.shot("bar").count(bar, is_icon_orange) >= 20


def bus(run, *arguments):
    return run.session.run(["dbus-send", "--session", "--print-reply"] + list(arguments)).stdout.decode()


def registered_items(run):
    """(service, path) of the items the StatusNotifier watcher knows."""
    reply = bus(run, "--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierWatcher",
                "string:RegisteredStatusNotifierItems")
    return re.findall(r'string "([^"/]+)(/[^"]*)"', reply)


def watcher_pid(run):
    """The process that owns the StatusNotifier watcher (swaybar is its own), or 0."""
    reply = bus(run, "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                "org.freedesktop.DBus.GetConnectionUnixProcessID", "string:org.kde.StatusNotifierWatcher")
    found = re.search(r"uint32 (\d+)", reply)
    return int(found.group(1)) if found else 0


def open_tray_menu(run):
    """Asks the program's StatusNotifier item for its menu, as the bar does on a right click."""
    items = registered_items(run)
    check(len(items) == 1, "StatusNotifier items: %r" % items)
    service, path = items[0]
    result = run.session.run(["dbus-send", "--session", "--print-reply", "--dest=" + service, path,
                              "org.kde.StatusNotifierItem.ContextMenu", "int32:%d" % (WIDTH - 16), "int32:16"])
    check(result.returncode == 0, "ContextMenu failed: " + result.stderr.decode(errors="replace"))


def test_sway_tray(run):
    """With swaybar's tray (a StatusNotifier host) the program's icon shows in the bar; its menu
    floats small above the windows rather than being tiled over the screen."""
    run.start_program()
    wait_for_frames(run)
    poll("the goldfish in swaybar's tray", lambda: tray_icon_shown(run), 30, interval=0.5)
    open_tray_menu(run)
    menu = poll("the menu", lambda: program_views(run), 20, interval=0.2)
    name, pid, floating, rect = menu[0]
    check(len(menu) == 1 and floating, "the menu is not a floating window: %r" % menu)
    check(rect["width"] < WIDTH // 3 and rect["height"] < HEIGHT // 2, "the menu is %r" % rect)
    run.session.run(["swaymsg", "[pid=%d] kill" % run.program.pid])  # closed unchosen, as Escape would
    poll("the menu to close", lambda: not program_views(run), 10, interval=0.2)
    code = run.stop_program()
    check(code == 0, "exit code %d after SIGTERM" % code)


def test_sway_tray_late_bar(run):
    """A bar that starts after the program (as a login may start them) still gets the icon; the
    bar is started again (as sway's reload does) and gets it again."""
    run.start_program()
    wait_for_frames(run)
    check(not tray_icon_shown(run), "a tray icon before the bar started")
    run.session.start_bar()
    poll("the goldfish in the late bar's tray", lambda: tray_icon_shown(run), 30, interval=0.5)
    first = run.session.bar_pid()
    run.session.run(["swaymsg", "reload"])
    second = poll("another bar", lambda: (lambda pid: pid if pid not in (0, first) else None)(run.session.bar_pid()),
                  20, interval=0.2)
    poll("the program's item with the new bar", lambda: watcher_pid(run) == second and registered_items(run),
         30, interval=0.2)
    poll("the goldfish in the new bar", lambda: tray_icon_shown(run), 30, interval=0.5)
    code = run.stop_program()
    check(code == 0, "exit code %d after SIGTERM" % code)


def x_stacking(run):
    out = run.session.x("xprop", "-root", "_NET_CLIENT_LIST_STACKING")
    return [w for w in out.split("#", 1)[1].replace(" ", "").strip().split(",") if w] if "#" in out else []


def x_property(run, window, name):
    out = run.session.x("xprop", "-id", window, name)
    return out.split("=", 1)[1].strip() if "=" in out else ""


def x_window_of(run, pid=None, title=None):
    for window in x_stacking(run):
        if pid is not None and x_property(run, window, "_NET_WM_PID") == str(pid):
            return window
        if title is not None and x_property(run, window, "_NET_WM_NAME") == '"%s"' % title:
            return window
    return None


def test_mutter_xwayland(run):
    """GNOME's compositor has no layer shell but honours the X11 desktop window type: the program
    goes through XWayland with its desktop window, full screen and kept below an ordinary X11
    window mapped after it, and shows no notice."""
    run.start_program()
    ours = poll("the program's X11 window", lambda: x_window_of(run, pid=run.program.pid), 60)
    check("_NET_WM_WINDOW_TYPE_DESKTOP" in x_property(run, ours, "_NET_WM_WINDOW_TYPE"),
          "the program's window is not of the desktop type")
    geometry = run.session.x("xwininfo", "-id", ours)
    check("Width: %d" % WIDTH in geometry and "Height: %d" % HEIGHT in geometry,
          "the desktop window is not full screen:\n" + geometry)
    run.start_window(TITLE_A, COLOUR_A, RECT_A, platform="xcb")
    other = poll("the ordinary X11 window", lambda: x_window_of(run, title=TITLE_A), 30)
    time.sleep(1)  # a window manager that would raise ours has had its chance
    stacking = x_stacking(run)
    check(stacking.index(ours) < stacking.index(other),
          "the desktop window is stacked above the ordinary window: %r" % stacking)
    for window in stacking:
        check(x_property(run, window, "_NET_WM_NAME") != '"情報"', "a notice was shown under mutter")
    run.check_alive()
    code = run.stop_program()
    check(code == 0, "exit code %d after SIGTERM" % code)


def x_search(run, *criteria):
    """Windows anywhere in the X tree that match xdotool's search criteria (weston's window
    manager keeps no client list)."""
    result = run.session.run(["xdotool", "search"] + list(criteria))
    return result.stdout.decode().split()


def test_weston_notice(run):
    """weston has neither the layer shell nor a window manager that honours the desktop type: the
    program says so once, in an information box, and goes on with its X11 desktop window."""
    run.start_program()
    notices = lambda: x_search(run, "--onlyvisible", "--name", "^情報$")  # noqa: E731
    box = poll("the notice", notices, 60)[0]
    check(x_property(run, box, "_NET_WM_PID") == str(run.program.pid), "the notice is not the program's")
    # Enter presses OK once the box has the keyboard; a busy machine may take a while to give it,
    # so the key goes again, in turn through the keyboard and straight to the box.
    deadline = time.monotonic() + 40
    attempt = 0
    while notices() and time.monotonic() < deadline:
        run.session.run(["xdotool", "windowactivate", box])
        if attempt % 2 == 0:
            run.session.run(["xdotool", "key", "Return"])
        else:
            run.session.run(["xdotool", "key", "--window", box, "Return"])
        attempt += 1
        time.sleep(0.5)
    check(not notices(), "the notice did not go after %d presses of Enter" % attempt)

    def desktop_window():
        for window in x_search(run, "--onlyvisible", "--pid", str(run.program.pid)):
            if "_NET_WM_WINDOW_TYPE_DESKTOP" in x_property(run, window, "_NET_WM_WINDOW_TYPE"):
                return window
        return None

    poll("the program's desktop window", desktop_window, 60)
    time.sleep(1)
    check(not notices(), "a second notice")
    code = run.stop_program()
    check(code == 0, "exit code %d after SIGTERM" % code)


TESTS = {
    "sway_behind_windows": (test_sway_behind_windows, "sway", {"floating": {TITLE_A: RECT_A, TITLE_B: RECT_B}}),
    "sway_wallpaper_client": (test_sway_wallpaper_client, "sway", {}),
    "sway_wallpaper_client_comes_and_goes": (test_sway_wallpaper_client_comes_and_goes, "sway", {}),
    "sway_tray": (test_sway_tray, "sway", {"bar": True}),
    "sway_tray_late_bar": (test_sway_tray_late_bar, "sway", {"bar": True, "bar_gated": True}),
    "mutter_xwayland": (test_mutter_xwayland, "mutter", {}),
    "weston_notice": (test_weston_notice, "weston", {}),
}
TOOLS = {"sway": ["sway", "swaybg", "swaybar", "swaymsg", "grim", "convert", "dbus-daemon", "setpriv"],
         "mutter": ["mutter", "Xwayland", "xprop", "xwininfo", "dbus-daemon", "setpriv"],
         "weston": ["weston", "Xwayland", "xprop", "xdotool", "dbus-daemon", "setpriv"]}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=sorted(TESTS))
    parser.add_argument("--program-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--test-window", required=True, help="the test_window program")
    parser.add_argument("--keep", action="store_true", help="keep the temp folder even on success")
    args = parser.parse_args()
    for name in ("program_dir", "source_dir", "test_window"):
        setattr(args, name, os.path.abspath(getattr(args, name)))

    function, kind, options = TESTS[args.test]
    missing = [t for t in TOOLS[kind] if shutil.which(t) is None]
    if missing:
        print("SKIPPED: missing " + ", ".join(missing))
        return SKIP
    if os.getuid() != 0:
        print("SKIPPED: the compositor runs as an unprivileged user of its own, which needs root to arrange")
        return SKIP
    run = None
    ok = False
    started = time.monotonic()
    try:
        run = Run(args, kind, **options)
        function(run)
        ok = True
    except (Failure, SessionError, subprocess.SubprocessError, OSError) as e:
        print("FAILED: %s" % e)
    finally:
        if run:
            run.close(keep=not ok or args.keep)
    print("passed in %.1f s" % (time.monotonic() - started) if ok else "")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
