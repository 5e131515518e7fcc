#!/usr/bin/env python3
# Pixel checks of real frames: the shot tool draws the aquarium with the program's own start-up,
# tank and frame code on simulated time, and this script reads its PNGs back and looks at the
# background, the tiled wallpaper, the fish captions, the wireframe mode and the food pellets.
# Needs only python3 and Xvfb; no Qt, no program code, no image library.
import argparse
import os
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77  # ctest's SKIP_RETURN_CODE: no X server to draw with is not a fault of the program
SCALE = float(os.environ.get("BRINE_E2E_TIME_SCALE", "1"))  # slower builds (sanitizers) wait longer
CLEAR = (0x4F, 0x4F, 0xFF)
W, H = 640, 480  # quality 0
SIZES = {0: (W, H), 4: (1600, 1200)}
# The copyright line starts at (W - 320, 20); a generous box around it is left out of the
# background checks, and it must hold the green text.
COPYRIGHT = (W - 322, 12, W, 48)


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def in_box(x, y, box):
    return box[0] <= x < box[2] and box[1] <= y < box[3]


# ---- PNG in and out -----------------------------------------------------------------------------

class Image:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data  # RGB, 3 bytes a pixel

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def pixels(self):
        d, w = self.data, self.width
        for y in range(self.height):
            row = y * w * 3
            for x in range(w):
                i = row + x * 3
                yield x, y, (d[i], d[i + 1], d[i + 2])


def read_png(path):
    """8-bit, non-interlaced greyscale, RGB or RGBA PNGs: what the shot tool writes."""
    with open(path, "rb") as f:
        raw = f.read()
    check(raw[:8] == b"\x89PNG\r\n\x1a\n", "%s is not a PNG" % path)
    pos, idat, header = 8, [], None
    while pos + 8 <= len(raw):
        length, kind = struct.unpack_from(">I4s", raw, pos)
        body = raw[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    check(header is not None, "%s has no header" % path)
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
    check(depth == 8 and channels and interlace == 0,
          "%s: unsupported PNG (depth %d, colour type %d, interlace %d)" % (path, depth, colour, interlace))
    data = zlib.decompress(b"".join(idat))
    stride = width * channels
    check(len(data) >= height * (stride + 1), "%s is short" % path)
    out = bytearray(width * height * 3)
    prev = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        filt = data[start]
        line = bytearray(data[start + 1:start + 1 + stride])
        if filt == 1:
            for i in range(channels, stride):
                line[i] = (line[i] + line[i - channels]) & 0xFF
        elif filt == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 0xFF
        elif filt == 3:
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif filt == 4:
            for i in range(stride):
                a = line[i - channels] if i >= channels else 0
                b = prev[i]
                c = prev[i - channels] if i >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        else:
            check(filt == 0, "%s: bad filter %d on row %d" % (path, filt, y))
        o = y * width * 3
        if channels >= 3:
            for x in range(width):
                out[o + x * 3:o + x * 3 + 3] = line[x * channels:x * channels + 3]
        else:
            for x in range(width):
                g = line[x * channels]
                out[o + x * 3:o + x * 3 + 3] = bytes((g, g, g))
        prev = line
    return Image(width, height, bytes(out))


def write_png(path, width, height, colour_at):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(colour_at(x, y))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b""))


# The wallpaper: one colour per quadrant, with a small gradient inside each so that any shift or
# scaling of a copied tile shows. No pure black: that is the wallpaper's colour key.
QUADRANT_BASE = {(0, 0): (0xC0, 0x20, 0x20), (1, 0): (0x20, 0xC0, 0x20),
                 (0, 1): (0x20, 0x20, 0xC0), (1, 1): (0xC0, 0xC0, 0x20)}


def wallpaper_colour(x, y):
    r, g, b = QUADRANT_BASE[(x // 50, y // 50)]
    return (r + x % 50, g + y % 50, b)


# ---- the session: Xvfb and the shot tool --------------------------------------------------------

class Session:
    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="brine-pixels-")
        self.procs = []
        self.program_dir = os.path.join(self.tmp, "program")
        # A copy, so that nothing a run might save lands in the build's program folder.
        shutil.copytree(args.program_dir, self.program_dir, ignore=shutil.ignore_patterns("fishsave.bin"))
        self.config = os.path.join(self.tmp, "config")
        self.runtime = os.path.join(self.tmp, "runtime")
        self.home = os.path.join(self.tmp, "home")
        for d in (self.config, self.runtime, self.home):
            os.mkdir(d, 0o700)
        self.display = self.start_xvfb()
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS")}
        self.env.update(DISPLAY=self.display, XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=self.runtime,
                        HOME=self.home, QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8",
                        http_proxy="http://127.0.0.1:9", HTTP_PROXY="http://127.0.0.1:9", no_proxy="")
        if args.asan_options:
            self.env["ASAN_OPTIONS"] = ":".join(filter(None, [self.env.get("ASAN_OPTIONS", ""), args.asan_options]))
        self.shots = 0

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        with open(os.path.join(self.tmp, "xvfb.log"), "ab") as log:
            proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                     "-nolisten", "tcp", "-noreset"],
                                    pass_fds=(write_end,), stdout=log, stderr=log, start_new_session=True)
        os.close(write_end)
        self.procs.append(proc)
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

    def shot(self, *options, quality=0):
        self.shots += 1
        out = os.path.join(self.tmp, "shot%02d.png" % self.shots)
        command = [self.args.shot, "--program-dir", self.program_dir, "--quality", str(quality)] + \
            list(options) + ["--out", out]
        result = subprocess.run(command, cwd=self.tmp, env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=60 * SCALE)
        text = result.stdout.decode(errors="replace")
        check(result.returncode == 0, "shot %s failed (%d): %s" % (" ".join(options), result.returncode, text))
        image = read_png(out)
        check((image.width, image.height) == SIZES[quality],
              "quality %d gave a %dx%d frame, not %dx%d" % ((quality, image.width, image.height) + SIZES[quality]))
        return image

    def close(self, keep):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if keep:
            print("kept for inspection: " + self.tmp)
        else:
            shutil.rmtree(self.tmp, ignore_errors=True)


# ---- helpers on frames --------------------------------------------------------------------------

def is_green_text(c):
    return c[1] >= 200 and c[0] <= 90 and c[2] <= 90


def non_clear(image):
    """Pixels that are not the clear colour, away from the copyright line."""
    return [(x, y) for x, y, c in image.pixels() if c != CLEAR and not in_box(x, y, COPYRIGHT)]


def bounds(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def centre(points):
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


def fish_shot(session, *options, quality=0):
    # One goldfish, standing where the seed and the simulated time put it: side on, near the middle.
    return session.shot("--mode", "0", "--no-topics", "--seed", "12", "--seconds", "0.5",
                        "--fish", "0:Kin", *options, quality=quality)


def enclosed_background(points):
    """Background pixels inside the outline of a drawn shape: those its pixels cut off from the
    edge of its bounding box."""
    drawn = set(points)
    x0, y0, x1, y1 = bounds(points)
    x0, y0, x1, y1 = x0 - 1, y0 - 1, x1 + 1, y1 + 1
    outside, stack = set(), [(x0, y0)]
    while stack:
        x, y = stack.pop()
        if (x, y) in outside or (x, y) in drawn or not (x0 <= x <= x1 and y0 <= y <= y1):
            continue
        outside.add((x, y))
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return (x1 - x0 + 1) * (y1 - y0 + 1) - len(outside) - len(drawn)


# ---- the checks ---------------------------------------------------------------------------------

def check_clear_background(session):
    image = session.shot("--mode", "0", "--no-topics")
    stray = non_clear(image)
    check(not stray, "with no wallpaper %d pixels away from the copyright line are not the clear colour "
          "#4F4FFF, e.g. %s = %s" % (len(stray), stray[:1], [image.pixel(*p) for p in stray[:1]]))
    green = sum(1 for x, y, c in image.pixels() if in_box(x, y, COPYRIGHT) and is_green_text(c))
    check(green >= 20, "the copyright line shows only %d green pixels" % green)
    print("clear background: every pixel outside the copyright line is #4F4FFF; %d green text pixels" % green)


def check_tiled_wallpaper(session):
    path = os.path.join(session.tmp, "quadrants.png")
    write_png(path, 100, 100, wallpaper_colour)
    image = session.shot("--mode", "1008", "--wallpaper", path, "--no-topics")
    top_left = wallpaper_colour(25, 25)
    for i in range(5):
        for j in range(7):
            if in_box(j * 100 + 25, i * 100 + 25, COPYRIGHT):
                continue  # under the copyright line
            got = image.pixel(j * 100 + 25, i * 100 + 25)
            check(got == top_left, "tile (%d, %d) shows %s at its (25, 25), not the picture's %s"
                  % (i, j, got, top_left))
    # The last column is 40 pixels wide and shows the picture's left part, unscaled.
    for y in range(50, H, 7):
        for x in range(600, W):
            want = wallpaper_colour(x - 600, y % 100)
            check(image.pixel(x, y) == want, "last column at (%d, %d) shows %s, not the picture's (%d, %d) %s"
                  % (x, y, image.pixel(x, y), x - 600, y % 100, want))
    # And every other pixel is the picture repeated at its own size from the top left corner.
    wrong = [(x, y) for x, y, c in image.pixels()
             if not in_box(x, y, COPYRIGHT) and c != wallpaper_colour(x % 100, y % 100)]
    check(not wrong, "%d pixels differ from the tiled picture, e.g. %s shows %s, not %s"
          % (len(wrong), wrong[:1], [image.pixel(*p) for p in wrong[:1]],
             [wallpaper_colour(p[0] % 100, p[1] % 100) for p in wrong[:1]]))
    print("tiled wallpaper: 7 x 5 tiles, the last column and row cut, not scaled")


def caption_pixels(plain, captioned):
    """White text pixels the captions added to a frame that is otherwise the same. The font may
    smooth its edges over the background, so nearly white counts too."""
    return [(x, y) for x, y, c in captioned.pixels() if min(c) >= 0xC0 and plain.pixel(x, y) != c]


def check_captions(session):
    plain = fish_shot(session)
    fish = non_clear(plain)
    check(len(fish) >= 50, "the fish covers only %d pixels" % len(fish))
    fx0, fy0, fx1, fy1 = bounds(fish)
    check(fx1 - fx0 < W // 2 and fy1 - fy0 < H // 2, "the fish's pixels spread over %s" % (bounds(fish),))
    cx, cy = centre(fish)
    check(60 <= cy <= H - 60 and 60 <= cx <= W - 60, "the fish stands too near the edge at (%d, %d)" % (cx, cy))

    def bands(points):
        near = [p for p in points if abs(p[0] - cx) <= 100]
        above = sum(1 for p in near if cy - 65 <= p[1] <= cy - 15)
        below = sum(1 for p in near if cy + 20 <= p[1] <= cy + 75)
        return above, below, len(points) - len(near)

    both = caption_pixels(plain, fish_shot(session, "--names", "--satiety"))
    names = caption_pixels(plain, fish_shot(session, "--names"))
    satiety = caption_pixels(plain, fish_shot(session, "--satiety"))
    a, b, far = bands(both)
    check(a >= 10 and b >= 10, "with names and satiety shown, %d white caption pixels above the fish at "
          "(%d, %d) and %d below" % (a, cx, cy, b))
    check(far == 0, "%d white caption pixels stand more than 100 pixels beside the fish" % far)
    a_n, b_n, _ = bands(names)
    check(a_n >= 10 and b_n == 0, "names only: %d white pixels above the fish and %d below" % (a_n, b_n))
    a_s, b_s, _ = bands(satiety)
    check(a_s == 0 and b_s >= 10, "satiety only: %d white pixels above the fish and %d below" % (a_s, b_s))
    print("captions: fish at (%d, %d); name %d white pixels above, satiety %d below" % (cx, cy, a, b))
    return plain, fish


def check_wireframe(session, solid, solid_fish):
    wire = fish_shot(session, "--wireframe")
    lines = non_clear(wire)
    check(lines, "the wireframe fish draws no pixels")
    # Lines, not a filled shape: at 640x480 the lines of a finely meshed fish run together, so
    # this is looked at on the largest picture, where the fish is two and a half times as long.
    big_solid = enclosed_background(non_clear(fish_shot(session, quality=4)))
    big_wire = enclosed_background(non_clear(fish_shot(session, "--wireframe", quality=4)))
    check(big_wire >= 50 and big_wire > 5 * big_solid,
          "inside its outline the wireframe fish leaves %d background pixels, the solid one %d"
          % (big_wire, big_solid))
    sx0, sy0, sx1, sy1 = bounds(solid_fish)
    wx0, wy0, wx1, wy1 = bounds(lines)
    check(wx0 >= sx0 - 10 and wy0 >= sy0 - 10 and wx1 <= sx1 + 10 and wy1 <= sy1 + 10,
          "the wireframe fish %s is not where the solid one %s stands" % ((wx0, wy0, wx1, wy1), (sx0, sy0, sx1, sy1)))
    # Unlit and without the mesh's textures: one flat colour where the solid fish is shaded.
    wire_colours = {wire.pixel(*p) for p in lines}
    solid_colours = {solid.pixel(*p) for p in solid_fish}
    check(len(wire_colours) <= 2 and len(solid_colours) >= 20,
          "the wireframe fish shows %d colours, the solid one %d" % (len(wire_colours), len(solid_colours)))
    print("wireframe: %d pixels in %d colour(s) against %d solid in %d colours; at 1600x1200 %d background "
          "pixels inside its outline against %d" % (len(lines), len(wire_colours), len(solid_fish),
                                                   len(solid_colours), big_wire, big_solid))


def check_pellets(session):
    before = session.shot("--mode", "0", "--no-topics", "--seed", "3", "--seconds", "2")
    fed = session.shot("--mode", "0", "--no-topics", "--seed", "3", "--seconds", "2", "--feed")
    check(not non_clear(before), "an empty tank without food shows more than the clear colour")
    pellets = non_clear(fed)
    check(len(pellets) >= 16, "after feeding only %d pixels show pellets" % len(pellets))
    colours = {}
    for p in pellets:
        c = fed.pixel(*p)
        colours[c] = colours.get(c, 0) + 1
    px, py = centre(pellets)
    x0, y0, x1, y1 = bounds(pellets)
    check(W * 0.25 <= px <= W * 0.75 and py <= H * 0.5,
          "the pellets' centre (%d, %d) is not in the upper middle of the tank" % (px, py))
    check(x1 - x0 < W // 2 and y1 - y0 < H // 2, "the pellets spread over %s" % ((x0, y0, x1, y1),))
    main = max(colours, key=colours.get)
    # The food texture is brown: redder than blue, unlike the background it is blended over.
    brown = sum(n for c, n in colours.items() if c[0] > c[2] + 32)
    check(brown * 2 >= len(pellets), "only %d of %d pellet pixels are brown" % (brown, len(pellets)))
    print("pellets: %d pixels around (%d, %d) in %s, most often #%02X%02X%02X"
          % (len(pellets), px, py, (x0, y0, x1, y1), *main))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--shot", required=True, help="the shot tool")
    parser.add_argument("--program-dir", required=True)
    parser.add_argument("--asan-options", default="", help="options appended to ASAN_OPTIONS for the tool")
    parser.add_argument("--keep", action="store_true", help="keep the temp folder even on success")
    args = parser.parse_args()
    args.shot = os.path.abspath(args.shot)
    args.program_dir = os.path.abspath(args.program_dir)

    if shutil.which("Xvfb") is None:
        print("SKIPPED: missing Xvfb")
        return SKIP
    for path in (args.shot, os.path.join(args.program_dir, "brinelight")):
        if not os.access(path, os.X_OK):
            print("missing " + path)
            return 1

    session = None
    ok = False
    try:
        session = Session(args)
        check_clear_background(session)
        check_tiled_wallpaper(session)
        solid, solid_fish = check_captions(session)
        check_wireframe(session, solid, solid_fish)
        check_pellets(session)
        ok = True
    except (Failure, subprocess.SubprocessError, OSError) as e:
        print("FAILED: %s" % e)
    finally:
        if session:
            session.close(keep=not ok or args.keep)
    print("passed" if ok else "")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
