#include "platform/linux/desktop_way.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/linux/wayland_layer_surface.h"

namespace brine {

namespace {

bool has_window_manager(Display* d) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False),
                                          0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data);
    if (data) XFree(data);
    return status == Success && count == 1;
}

// Whether the X window manager lists the desktop window type among the hints it supports.
bool honours_desktop_type(Display* d) {
    // XWayland started on demand by this very connection may not have its manager up yet.
    for (int i = 0; i < 40 && !has_window_manager(d); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const Atom wanted = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTED", False), 0, 4096,
                                          False, XA_ATOM, &type, &format, &count, &after, &data);
    bool found = false;
    if (status == Success && data && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == wanted;
    }
    if (data) XFree(data);
    return found;
}

}  // namespace

DesktopWay choose_desktop_way(const SessionFacts& facts) {
    if (facts.wayland && facts.layerShell) return DesktopWay::kLayerShell;
    if (!facts.x11) return DesktopWay::kNone;
    if (!facts.wayland) return DesktopWay::kX11;
    return facts.desktopTypeHonoured ? DesktopWay::kXWayland : DesktopWay::kXWaylandUnsuited;
}

SessionFacts probe_session() {
    SessionFacts facts;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && wayland[0]) facts.wayland = LayerSurface::probe(&facts.layerShell);
    if (facts.layerShell) return facts;  // X is not needed then
    if (Display* d = XOpenDisplay(nullptr)) {
        facts.x11 = true;
        // Only a Wayland session asks: on X11 the desktop window serves with any manager or none.
        if (facts.wayland) facts.desktopTypeHonoured = honours_desktop_type(d);
        XCloseDisplay(d);
    }
    return facts;
}

void prepare_qt_platform(DesktopWay way) {
    if (way == DesktopWay::kNone) return;
    setenv("QT_QPA_PLATFORM", on_wayland(way) ? "wayland" : "xcb", 1);
    // Qt then gives a window with BypassWindowManagerHint no shell role, so ours can be the layer's.
    if (way == DesktopWay::kLayerShell) setenv("QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT", "1", 1);
}

}  // namespace brine
