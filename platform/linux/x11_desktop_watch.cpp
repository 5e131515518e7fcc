#include "platform/linux/x11_desktop_watch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace brine {

namespace {

// Other clients' windows come and go between a listing and the question about them; Xlib's own
// handler would end the process over that BadWindow. Errors of the requests made inside are
// collected by the closing XSync.
class QuietErrors {
public:
    explicit QuietErrors(Display* display) : display_(display), previous_(XSetErrorHandler(ignore)) {}
    ~QuietErrors() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }

private:
    static int ignore(Display*, XErrorEvent*) { return 0; }
    Display* display_;
    XErrorHandler previous_;
};

std::vector<unsigned long> root_children(Display* display, unsigned long root) {
    ::Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::vector<unsigned long> list;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) && children) {
        list.assign(children, children + count);  // bottom of the stack first
        XFree(children);
    }
    return list;
}

// The 32-bit items of a property (atoms, windows, cardinals).
std::vector<unsigned long> long_property(Display* display, unsigned long window, unsigned long property,
                                         unsigned long type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (format == 32) {
            const long* longs = reinterpret_cast<const long*>(data);  // 32-bit items come as longs
            for (unsigned long i = 0; i < count; ++i) values.push_back(static_cast<unsigned long>(longs[i]));
        }
        XFree(data);
    }
    return values;
}

}  // namespace

X11DesktopWatch::X11DesktopWatch(Display* display, int screen) : display_(display) {
    root_ = RootWindow(display_, screen);
    desktopType_ = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    windowType_ = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
    clientList_ = XInternAtom(display_, "_NET_CLIENT_LIST", False);
    wmPid_ = XInternAtom(display_, "_NET_WM_PID", False);
    compositorAtom_ = XInternAtom(display_, ("_NET_WM_CM_S" + std::to_string(screen)).c_str(), False);
    XSelectInput(display_, root_, SubstructureNotifyMask | PropertyChangeMask);
    int error = 0;
    if (XFixesQueryExtension(display_, &fixesEvent_, &error))
        XFixesSelectSelectionInput(display_, root_, compositorAtom_,
                                   XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
    else
        fixesEvent_ = -1;
    find_other_desktop();
    find_compositor();
}

bool X11DesktopWatch::ours(unsigned long window) const {
    return std::find(ours_.begin(), ours_.end(), window) != ours_.end();
}

void X11DesktopWatch::keep_above(unsigned long window) {
    above_ = window;
    restack();
}

void X11DesktopWatch::handle_event(const XEvent& event) {
    if (fixesEvent_ >= 0 && event.type == fixesEvent_ + XFixesSelectionNotify) {
        compositorWanted_ = true;
        return;
    }
    switch (event.type) {
        case ConfigureNotify:
            // Ours too: someone else may have moved it. Our own restack costs one look more.
            if (event.xconfigure.event == root_) restackWanted_ = true;
            break;
        case CirculateNotify:
            if (event.xcirculate.event == root_) restackWanted_ = true;
            break;
        case MapNotify:
            // Menus and tooltips map and unmap all the time; a desktop is never override-redirect.
            if (event.xmap.event == root_ && !event.xmap.override_redirect && !ours(event.xmap.window)) {
                lookWanted_ = true;
                restackWanted_ = true;
            }
            break;
        case UnmapNotify:
            if (event.xunmap.event == root_ && event.xunmap.window == otherDesktop_) lookWanted_ = true;
            break;
        case DestroyNotify:
            if (event.xdestroywindow.event == root_ && event.xdestroywindow.window == otherDesktop_) lookWanted_ = true;
            break;
        case ReparentNotify:
            if (event.xreparent.event == root_) lookWanted_ = true;
            break;
        case PropertyNotify:
            if (event.xproperty.window == root_ && event.xproperty.atom == clientList_) lookWanted_ = true;
            break;
        default:
            break;
    }
}

bool X11DesktopWatch::settle() {
    const unsigned long desktopBefore = otherDesktop_;
    const bool compositorBefore = compositor_;
    // Without XFixes the compositor's selection window being made or destroyed is the only sign.
    if (lookWanted_) find_other_desktop();
    if (compositorWanted_ || (fixesEvent_ < 0 && lookWanted_)) find_compositor();
    if (restackWanted_ || lookWanted_) restack();
    lookWanted_ = compositorWanted_ = restackWanted_ = false;
    return (desktopBefore != 0) != (otherDesktop_ != 0) || compositorBefore != compositor_;
}

bool X11DesktopWatch::is_other_desktop(unsigned long window) {
    if (ours(window)) return false;
    const auto types = long_property(display_, window, windowType_, XA_ATOM);
    if (std::find(types.begin(), types.end(), desktopType_) == types.end()) return false;
    const auto pid = long_property(display_, window, wmPid_, XA_CARDINAL);
    return pid.empty() || pid[0] != static_cast<unsigned long>(getpid());
}

unsigned long X11DesktopWatch::frame_of(unsigned long window) {
    for (int depth = 0; depth < 8; ++depth) {
        ::Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count)) return 0;
        if (children) XFree(children);
        if (parent == root_) return window;
        window = parent;
    }
    return 0;
}

void X11DesktopWatch::find_other_desktop() {
    QuietErrors quiet(display_);
    const std::vector<unsigned long> stack = root_children(display_, root_);
    // Managed clients sit in frames, so the window manager's list names them; a desktop shown
    // without a window manager is a child of the root itself.
    std::vector<unsigned long> frames;
    for (unsigned long client : long_property(display_, root_, clientList_, XA_WINDOW))
        if (is_other_desktop(client))
            if (unsigned long frame = frame_of(client)) frames.push_back(frame);
    for (unsigned long child : stack)
        if (is_other_desktop(child)) frames.push_back(child);
    // The topmost viewable one: the tank goes directly above it.
    unsigned long found = 0;
    std::size_t foundAt = 0;
    for (unsigned long frame : frames) {
        if (ours(frame)) continue;
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, frame, &attributes) || attributes.map_state != IsViewable ||
            attributes.c_class != InputOutput)
            continue;
        const auto at = std::find(stack.begin(), stack.end(), frame);
        if (at == stack.end()) continue;
        const auto index = static_cast<std::size_t>(at - stack.begin());
        if (!found || index > foundAt) {
            found = frame;
            foundAt = index;
        }
    }
    otherDesktop_ = found;
}

void X11DesktopWatch::find_compositor() { compositor_ = XGetSelectionOwner(display_, compositorAtom_) != None; }

void X11DesktopWatch::restack() {
    if (!above_ || !otherDesktop_) return;
    QuietErrors quiet(display_);
    const std::vector<unsigned long> stack = root_children(display_, root_);
    const auto desktop = std::find(stack.begin(), stack.end(), otherDesktop_);
    if (desktop == stack.end()) return;
    if (desktop + 1 != stack.end() && *(desktop + 1) == above_) return;
    XWindowChanges changes{};
    changes.sibling = otherDesktop_;
    changes.stack_mode = Above;
    XConfigureWindow(display_, above_, CWSibling | CWStackMode, &changes);
}

}  // namespace brine
