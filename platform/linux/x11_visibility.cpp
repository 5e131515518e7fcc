#include "platform/linux/x11_visibility.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

#include <ctime>
#include <string>

namespace brine {

namespace {

constexpr std::int64_t kRecheckNs = 333'000'000;

std::int64_t monotonic_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A client window may go away between the list and the question: Xlib's own handler would end
// the process over that BadWindow.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool rect_covers(const ScreenRect& outer, const ScreenRect& inner) {
    if (inner.width == 0 || inner.height == 0) return false;
    const long long ol = outer.x, ot = outer.y, orr = ol + outer.width, ob = ot + outer.height;
    const long long il = inner.x, it = inner.y, ir = il + inner.width, ib = it + inner.height;
    return ol <= il && ot <= it && orr >= ir && ob >= ib;
}

bool desktop_visible(const VisibilityFacts& f) {
    if (!f.mapped || f.screenSaverOn || f.displayOff || f.fullScreenCover) return false;
    return f.compositor || !f.fullyObscured;
}

X11Visibility::X11Visibility(Display* display, unsigned long window, ScreenRect area, long ownEventMask)
    : display_(display), window_(window), area_(area) {
    XSelectInput(display_, window_, ownEventMask | VisibilityChangeMask | StructureNotifyMask);
    int event = 0, error = 0;
    haveScreenSaver_ = XScreenSaverQueryExtension(display_, &event, &error);
    haveDpms_ = DPMSQueryExtension(display_, &event, &error) && DPMSCapable(display_);
    const std::string cm = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display_));
    compositorAtom_ = XInternAtom(display_, cm.c_str(), False);
    stackingAtom_ = XInternAtom(display_, "_NET_CLIENT_LIST_STACKING", False);
    typeAtom_ = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
    desktopTypeAtom_ = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window_, &attributes)) facts_.mapped = attributes.map_state == IsViewable;
}

void X11Visibility::handle_event(const XEvent& event) {
    if (event.xany.window != window_) return;
    switch (event.type) {
        case VisibilityNotify: facts_.fullyObscured = event.xvisibility.state == VisibilityFullyObscured; break;
        case MapNotify: facts_.mapped = true; break;
        case UnmapNotify: facts_.mapped = false; break;
        default: break;
    }
}

bool X11Visibility::visible() {
    const std::int64_t now = monotonic_ns();
    if (lastCheckNs_ < 0 || now - lastCheckNs_ >= kRecheckNs) {
        lastCheckNs_ = now;
        recheck();
    }
    return desktop_visible(facts_);
}

void X11Visibility::recheck() {
    facts_.compositor = XGetSelectionOwner(display_, compositorAtom_) != None;
    facts_.screenSaverOn = false;
    if (haveScreenSaver_) {
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        if (info && XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info))
            facts_.screenSaverOn = info->state == ScreenSaverOn;
        if (info) XFree(info);
    }
    facts_.displayOff = false;
    if (haveDpms_) {
        CARD16 level = 0;
        BOOL enabled = False;
        if (DPMSInfo(display_, &level, &enabled)) facts_.displayOff = enabled && level != DPMSModeOn;
    }
    facts_.fullScreenCover = full_screen_client();
}

// The window manager's stacking list, top first: any viewable client (but us) whose window covers
// the area. Without such a list (no EWMH manager) VisibilityNotify has said all there is. A
// desktop-type client (a file manager's desktop) is the desktop itself, never a cover: the tank
// lies over it, or is about to.
bool X11Visibility::desktop_type(unsigned long window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, typeAtom_, 0, 16, False, XA_ATOM, &type, &format, &count, &after,
                           &data) != Success ||
        !data)
        return false;
    const long* atoms = reinterpret_cast<const long*>(data);  // 32-bit items come as longs
    bool desktop = false;
    for (unsigned long i = 0; i < count && format == 32; ++i) desktop = desktop || atoms[i] == long(desktopTypeAtom_);
    XFree(data);
    return desktop;
}

bool X11Visibility::full_screen_client() {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const ::Window root = DefaultRootWindow(display_);
    if (XGetWindowProperty(display_, root, stackingAtom_, 0, 4096, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) != Success ||
        !data)
        return false;
    const XErrorHandler previous = XSetErrorHandler(ignore_x_error);
    bool covered = false;
    const ::Window* clients = reinterpret_cast<const ::Window*>(data);  // 32-bit items come as longs
    for (unsigned long i = count; i-- > 0 && !covered;) {
        if (clients[i] == window_ || desktop_type(clients[i])) continue;
        XWindowAttributes a{};
        if (!XGetWindowAttributes(display_, clients[i], &a) || a.map_state != IsViewable || a.c_class == InputOnly)
            continue;
        int x = 0, y = 0;
        ::Window child = 0;
        if (!XTranslateCoordinates(display_, clients[i], root, 0, 0, &x, &y, &child)) continue;
        covered = rect_covers(ScreenRect{x, y, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height)}, area_);
    }
    XSync(display_, False);  // errors of the loop arrive while the quiet handler stands
    XSetErrorHandler(previous);
    XFree(data);
    return covered;
}

}  // namespace brine
