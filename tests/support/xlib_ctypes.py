# A few Xlib calls through ctypes (libX11 alone, no python-xlib): a plain window that covers the
# screen, and single screen pixels. Used by the integration tests and bench/quiet_bench.py.
import ctypes
import ctypes.util

_x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_x.XOpenDisplay.restype = ctypes.c_void_p
_x.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x.XDefaultRootWindow.restype = ctypes.c_ulong
_x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x.XCreateSimpleWindow.restype = ctypes.c_ulong
_x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                   ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
_x.XMapRaised.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_x.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x.XGetImage.restype = ctypes.c_void_p
_x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                         ctypes.c_ulong, ctypes.c_int]
_x.XFree.argtypes = [ctypes.c_void_p]
_ALL_PLANES, _Z_PIXMAP = 0xFFFFFFFF, 2


class XConnection:
    def __init__(self, display):
        self.display = _x.XOpenDisplay(display.encode())
        if not self.display:
            raise OSError("cannot open X display " + display)
        self.root = _x.XDefaultRootWindow(self.display)

    def close(self):
        if self.display:
            _x.XCloseDisplay(self.display)
            self.display = None

    def cover(self, width, height, colour=0xFFFFFF):
        """Maps a plain window over (0, 0, width, height) on top of every other; its id."""
        window = _x.XCreateSimpleWindow(self.display, self.root, 0, 0, width, height, 0, 0, colour)
        _x.XMapRaised(self.display, window)
        _x.XSync(self.display, 0)
        return window

    def destroy(self, window):
        _x.XDestroyWindow(self.display, window)
        _x.XSync(self.display, 0)

    def pixel(self, x, y):
        """The screen's 0xRRGGBB at (x, y) on a 24-bit screen."""
        image = _x.XGetImage(self.display, self.root, x, y, 1, 1, _ALL_PLANES, _Z_PIXMAP)
        if not image:
            return None
        # struct _XImage opens with width, height, xoffset, format (ints) and then char *data.
        data = ctypes.c_void_p.from_address(image + 16).value
        value = ctypes.c_uint32.from_address(data).value & 0xFFFFFF
        _x.XFree(data)
        _x.XFree(image)
        return value
