#!/usr/bin/env python3
# The program over real desktops from Debian, as a user meets them: a private Xvfb, openbox, and a
# file manager drawing the desktop's background and five icons (pcmanfm; xfdesktop on a D-Bus
# session of its own), with or without xcompmgr. Observed from outside: screenshots, the window
# tree, pointer clicks. Builds on brinelight_e2e.py; needs the desktop programs too.
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import brinelight_e2e as e2e  # noqa: E402
from brinelight_e2e import check, poll, SCREEN_W, SCREEN_H  # noqa: E402

ICON_NAMES = ["note%d.txt" % i for i in range(1, 6)]
# Where the icons stand: in the middle, where the fish swim. pcmanfm takes pixel positions,
# xfdesktop grid cells.
PCMANFM_PLACES = [(480, 380), (740, 380), (610, 480), (480, 600), (740, 600)]
XFDESKTOP_CELLS = [(3, 5), (3, 7), (4, 6), (5, 5), (5, 7)]  # (row, column)
BACKGROUND = (0x40, 0x60, 0x80)  # the file manager's own background colour


def write_pcmanfm_config(session):
    folder = os.path.join(session.config, "pcmanfm", "default")
    os.makedirs(folder)
    with open(os.path.join(folder, "desktop-items-0.conf"), "w") as f:
        f.write("[*]\nwallpaper_mode=color\ndesktop_bg=#%02x%02x%02x\ndesktop_fg=#ffffff\n"
                "desktop_shadow=#000000\nshow_wm_menu=0\nshow_documents=0\nshow_trash=0\nshow_mounts=0\n\n"
                % BACKGROUND)
        for name, (x, y) in zip(ICON_NAMES, PCMANFM_PLACES):
            f.write("[%s]\nx=%d\ny=%d\n\n" % (name, x, y))


def write_xfdesktop_config(session):
    channel = os.path.join(session.config, "xfce4", "xfconf", "xfce-perchannel-xml")
    os.makedirs(channel)
    rgba = "".join('<value type="double" value="%g"/>' % (c / 255.0) for c in BACKGROUND) + \
        '<value type="double" value="1"/>'
    workspaces = "".join(
        '<property name="workspace%d" type="empty"><property name="color-style" type="int" value="0"/>'
        '<property name="image-style" type="int" value="0"/><property name="rgba1" type="array">%s</property>'
        '</property>' % (n, rgba) for n in range(4))
    with open(os.path.join(channel, "xfce4-desktop.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<channel name="xfce4-desktop" version="1.0">'
                '<property name="backdrop" type="empty"><property name="screen0" type="empty">'
                '<property name="monitorscreen" type="empty">%s</property></property></property>'
                '<property name="desktop-icons" type="empty"><property name="file-icons" type="empty">'
                '<property name="show-filesystem" type="bool" value="false"/>'
                '<property name="show-home" type="bool" value="false"/>'
                '<property name="show-trash" type="bool" value="false"/>'
                '<property name="show-removable" type="bool" value="false"/></property></property>'
                '</channel>\n' % workspaces)
    icons = os.path.join(session.config, "xfce4", "desktop")
    os.makedirs(icons)
    rc = os.path.join(icons, "icons.screen0-1264x1008.rc")
    with open(rc, "w") as f:
        f.write("[xfdesktop-version-4.10.3+-rcfile_format]\n4.10.3+=true\n\n")
        for name, (row, col) in zip(ICON_NAMES, XFDESKTOP_CELLS):
            f.write("[%s]\nrow=%d\ncol=%d\n\n" % (os.path.join(session.home, "Desktop", name), row, col))
    os.symlink(rc, os.path.join(icons, "icons.screen.latest.rc"))


class Desktop:
    """The session's desktop: the window manager, the file manager and maybe a compositor."""

    def __init__(self, session):
        self.session = session
        self.env = dict(session.env, NO_AT_BRIDGE="1", GTK_A11Y="none", GIO_USE_VFS="local",
                        XDG_DESKTOP_DIR=os.path.join(session.home, "Desktop"))
        desktop_dir = os.path.join(session.home, "Desktop")
        os.makedirs(desktop_dir)
        for name in ICON_NAMES:
            with open(os.path.join(desktop_dir, name), "w") as f:
                f.write("a note\n")
        self.bus_pid = None

    def start(self, name, command):
        with self.session.log(name) as log:
            proc = subprocess.Popen(command, env=self.env, stdout=log, stderr=log, start_new_session=True)
        self.session.procs.append((name, proc))
        return proc

    def start_bus(self):
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=self.env, stdout=subprocess.PIPE, check=True, timeout=30).stdout.decode().split()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = out[0]
        self.bus_pid = int(out[1])

    def stop_bus(self):
        if self.bus_pid:
            try:
                os.kill(self.bus_pid, 15)
            except ProcessLookupError:
                pass
            self.bus_pid = None

    def start_window_manager(self):
        self.start("openbox", ["openbox"])
        poll("openbox", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.session.x(
            "xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check_rc=False), 20)

    def start_compositor(self):
        self.start("xcompmgr", ["xcompmgr"])
        time.sleep(1)  # it owns _NET_WM_CM_S0 as soon as it runs; no X tool asks for the owner

    def start_file_manager(self, which, settle=True):
        if which == "pcmanfm":
            write_pcmanfm_config(self.session)
            self.start("pcmanfm", ["pcmanfm", "--desktop"])
        else:
            write_xfdesktop_config(self.session)
            self.start_bus()
            self.start("xfdesktop", ["xfdesktop", "--disable-wm-check"])
        poll("the file manager's desktop window", self.desktop_window, 60)
        return self.wait_for_icons() if settle else None

    def desktop_window(self):
        """The file manager's own desktop-type window (a client of openbox)."""
        clients = self.session.x("xprop", "-root", "_NET_CLIENT_LIST", check_rc=False)
        for window in clients.split("#", 1)[-1].replace(",", " ").split():
            if window.startswith("0x") and "_NET_WM_WINDOW_TYPE_DESKTOP" in self.session.window_property(
                    window, "_NET_WM_WINDOW_TYPE"):
                return window
        return None

    def wait_for_icons(self):
        """Waits for the desktop and its five icons to stand still; gives the screenshot."""
        shots = [self.session.screenshot("desktop")]

        def settled():
            time.sleep(0.5)
            shots.append(self.session.screenshot("desktop"))
            return (len(icon_boxes(shots[-1])) == len(ICON_NAMES) and
                    e2e.differing_pixels(shots[-2], shots[-1], (0, 0, SCREEN_W, SCREEN_H)) == 0)

        poll("five icons on the file manager's background", settled, 60, interval=0)
        return shots[-1]


def is_background(r, g, b):
    return abs(r - BACKGROUND[0]) + abs(g - BACKGROUND[1]) + abs(b - BACKGROUND[2]) <= 12


def icon_boxes(shot):
    """Boxes of what is not background in the middle of the screen, grouped by nearness: the five
    icons with their labels, as the file manager drew them before the program started."""
    boxes = []
    for y in range(SCREEN_H // 4, SCREEN_H * 3 // 4, 2):
        for x in range(SCREEN_W // 4, SCREEN_W * 3 // 4, 2):
            if is_background(*shot.pixel(x, y)):
                continue
            for box in boxes:
                if box[0] - 24 <= x <= box[2] + 24 and box[1] - 24 <= y <= box[3] + 24:
                    box[0], box[1], box[2], box[3] = min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)
                    break
            else:
                boxes.append([x, y, x, y])
    return [tuple(b) for b in boxes if (b[2] - b[0]) * (b[3] - b[1]) >= 600]


def is_goldfish(r, g, b):
    return r >= 120 and r >= g + 40 and r >= b + 60


def drawn_pixels(shot, reference, box, test=lambda r, g, b: True, step=2):
    """Points of box where the shot differs from the reference (the program drew there) and test holds."""
    x0, y0, x1, y1 = box
    points = []
    for y in range(y0, y1, step):
        for x in range(x0, x1, step):
            p, q = shot.pixel(x, y), reference.pixel(x, y)
            if sum(abs(a - b) for a, b in zip(p, q)) > 90 and test(*p):
                points.append((x, y))
    return points


def program_windows(session):
    """Viewable "Brinelight desktop" windows anywhere in the tree (a managed one sits in a frame),
    topmost first."""
    found = []
    for line in session.tree("-tree").splitlines():
        if '"Brinelight desktop"' in line:
            window = line.split()[0]
            if window_info(session, window).get("Map State") == "IsViewable":
                found.append(window)
    return found


def start_program(session):
    names = e2e.write_starter_roster(session.args.source_dir, session.roster)
    session.program = session.start_program()
    window = poll("the program's desktop window", lambda: session.check_alive() or program_windows(session), 60)[0]

    def drawn():
        session.check_alive()
        shot = session.screenshot("first")
        box = (SCREEN_W // 2 - 16, 0, SCREEN_W, SCREEN_H // 8)  # the copyright line: a frame was drawn
        return shot if shot.count(box, e2e.is_green_text) >= 30 else None

    return names, window, poll("a drawn frame", drawn, 60, interval=0.5)


def window_info(session, window):
    fields = {}
    for line in session.x("xwininfo", "-id", window, check_rc=False).splitlines():
        if ":" in line:
            key, value = line.split(":", 1)
            fields[key.strip()] = value.strip()
    return fields


def check_over_the_desktop(session, window, reference, shot, translucent):
    """The program's window lies over the file manager's desktop: unmanaged, see-through the
    expected way, and the screen shows the icons, goldfish and mostly the file manager's own
    background."""
    info = window_info(session, window)
    check(info.get("Override Redirect State") == "yes", "the window over the desktop is managed: %r" % info)
    depth = info.get("Depth")
    check(depth == ("32" if translucent else "24"), "the window has depth %s" % depth)
    boxes = icon_boxes(reference)
    unchanged = sum(1 for b in boxes if not drawn_pixels(shot, reference, b, step=3))
    fish = drawn_pixels(shot, reference, (0, SCREEN_H // 8, SCREEN_W, SCREEN_H - SCREEN_H // 8), is_goldfish)
    check(len(fish) >= 200, "only %d goldfish pixels on the screen" % len(fish))
    seen = sum(1 for b in boxes if len(drawn_pixels(shot, reference, b, step=3)) < 0.6 * ((b[2] - b[0]) * (b[3] - b[1]) / 9))
    check(seen == len(ICON_NAMES), "only %d of the five icons can still be seen (%d untouched)" % (seen, unchanged))
    blocks = [(bx, by) for by in range(0, SCREEN_H, 64) for bx in range(0, SCREEN_W, 64)]
    background = sum(1 for bx, by in blocks if is_background(*shot.pixel(bx + 32, by + 32)))
    check(background >= 0.75 * len(blocks), "only %d of %d screen blocks show the file manager's background"
          % (background, len(blocks)))


def click_an_icon_under_a_fish(session, reference):
    """Waits for goldfish pixels over an icon, clicks there, and checks that the file manager
    selected that icon: with the program gone, the icon's pixels differ from before."""
    boxes = icon_boxes(reference)
    found = []

    def fish_over_icon():
        session.check_alive()
        shot = session.screenshot("over-icon")
        for box in boxes:
            # Points of the icon itself (not the gaps of its box) where goldfish pixels lie now.
            points = [(x, y) for x, y in drawn_pixels(shot, reference, box, is_goldfish)
                      if not is_background(*reference.pixel(x, y))]
            if len(points) >= 6:
                found[:] = [box, points[len(points) // 2]]
                return True
        return False

    poll("goldfish pixels over an icon", fish_over_icon, 60, interval=0.2)
    box, (x, y) = found
    session.x("xdotool", "mousemove", str(x), str(y), "click", "1")
    time.sleep(0.5)
    session.x("xdotool", "mousemove", "5", str(SCREEN_H - 5))  # the tooltip goes with the pointer
    check(session.stop(session.program) == 0, "the program did not end with 0")
    after = session.screenshot("selected")
    others = [b for b in boxes if b != box]
    changed = len(drawn_pixels(after, reference, box, step=1))
    check(changed >= 40, "the clicked icon did not change (%d pixels): the click did not reach it" % changed)
    check(all(not drawn_pixels(after, reference, b, step=1) for b in others), "other icons changed too")


def test_over(session, file_manager, compositor):
    desktop = Desktop(session)
    try:
        desktop.start_window_manager()
        if compositor:
            desktop.start_compositor()
        reference = desktop.start_file_manager(file_manager)
        names, window, shot = start_program(session)
        # The first frame may still be on its way through the compositor: look at a later one.
        time.sleep(1)
        shot = session.screenshot("over")
        check_over_the_desktop(session, window, reference, shot, translucent=compositor)
        click_an_icon_under_a_fish(session, reference)
        check(e2e.roster_names(session.roster) == names, "roster after exit: %r" % e2e.roster_names(session.roster))
    finally:
        desktop.stop_bus()


def test_pcmanfm(session):
    test_over(session, "pcmanfm", compositor=False)


def test_pcmanfm_composited(session):
    test_over(session, "pcmanfm", compositor=True)


def test_xfdesktop(session):
    test_over(session, "xfdesktop", compositor=False)


def test_desktop_started_later(session):
    """The program starts on a bare window manager with its own desktop, then the file manager
    starts: the program moves over it without a restart and keeps every fish."""
    desktop = Desktop(session)
    desktop.start_window_manager()
    names, own, shot = start_program(session)
    check(window_info(session, own).get("Override Redirect State") == "no", "the own desktop is unmanaged")
    desktop.start_file_manager("pcmanfm", settle=False)

    def over_window():
        session.check_alive()
        windows = program_windows(session)
        return windows if windows and own not in windows else None

    window = poll("the program's window over the file manager's desktop", over_window, 60)[0]
    check(not window_info(session, own), "the own desktop window is still there")
    info = window_info(session, window)
    check(info.get("Override Redirect State") == "yes", "the new window is managed: %r" % info)

    def drawn_over():
        shot = session.screenshot("switched")
        fish = drawn_pixels(shot, blank_like(shot), (0, SCREEN_H // 8, SCREEN_W, SCREEN_H - SCREEN_H // 8),
                            is_goldfish)
        icons = [shot.count((x, y, x + 110, y + 90), lambda r, g, b: min(r, g, b) >= 200) for x, y in PCMANFM_PLACES]
        return (fish, icons) if len(fish) >= 200 and min(icons) >= 100 else None

    # The rebuild takes a moment: the fish come back over the icons.
    fish, icons = poll("goldfish and the five icons after the switch", drawn_over, 30, interval=0.5)
    shot = session.screenshot("switched")
    blocks = [(bx, by) for by in range(0, SCREEN_H, 64) for bx in range(0, SCREEN_W, 64)]
    background = sum(1 for bx, by in blocks if is_background(*shot.pixel(bx + 32, by + 32)))
    check(background >= 0.75 * len(blocks), "only %d of %d blocks show the file manager's background after the "
          "switch" % (background, len(blocks)))
    check(session.stop(session.program) == 0, "the program did not end with 0")
    check(e2e.roster_names(session.roster) == names,
          "roster after the switch %r, expected %r" % (e2e.roster_names(session.roster), names))


def blank_like(image):
    """An image of the file manager's background alone, for telling the program's pixels apart."""
    return e2e.Image(image.width, image.height, bytes(BACKGROUND) * (image.width * image.height))


TESTS = {
    "pcmanfm": test_pcmanfm,
    "pcmanfm_composited": test_pcmanfm_composited,
    "xfdesktop": test_xfdesktop,
    "desktop_started_later": test_desktop_started_later,
}
TOOLS = {
    "pcmanfm": ["openbox", "pcmanfm"],
    "pcmanfm_composited": ["openbox", "pcmanfm", "xcompmgr"],
    "xfdesktop": ["openbox", "xfdesktop", "dbus-daemon"],
    "desktop_started_later": ["openbox", "pcmanfm"],
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=sorted(TESTS))
    parser.add_argument("--program-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the temp folder even on success")
    args = parser.parse_args()
    args.program_env, args.asan_options = {}, ""
    tools = ["Xvfb", "xwininfo", "xprop", "xdotool", "import", "convert"] + TOOLS[args.test]
    missing = [t for t in tools if shutil.which(t) is None]
    if missing:
        print("SKIPPED: missing " + ", ".join(missing))
        return e2e.SKIP
    return e2e.run_session(lambda: e2e.Session(args), TESTS[args.test], args.keep)


if __name__ == "__main__":
    sys.exit(main())
