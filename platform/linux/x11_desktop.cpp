#include "platform/linux/x11_desktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cmath>

namespace brine {

namespace {

// The primary screen in X pixels: Qt knows which monitor that is; without Qt, the whole X screen.
ScreenRect primary_area(Display* display) {
    if (qGuiApp && qGuiApp->primaryScreen()) {
        const QScreen* screen = qGuiApp->primaryScreen();
        const qreal ratio = screen->devicePixelRatio();
        const QRect g = screen->geometry();
        return {static_cast<int>(std::lround(g.x() * ratio)), static_cast<int>(std::lround(g.y() * ratio)),
                static_cast<unsigned>(std::lround(g.width() * ratio)),
                static_cast<unsigned>(std::lround(g.height() * ratio))};
    }
    const int screen = DefaultScreen(display);
    return {0, 0, static_cast<unsigned>(DisplayWidth(display, screen)),
            static_cast<unsigned>(DisplayHeight(display, screen))};
}

}  // namespace

X11Desktop::X11Desktop() = default;
X11Desktop::~X11Desktop() { release(); }

bool X11Desktop::check_active_desktop() {
    if (!display_) display_ = XOpenDisplay(nullptr);
    return display_ != nullptr;
}

WindowHandle X11Desktop::find_web_view_window() {
    if (window_) return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(window_));
    if (!check_active_desktop()) return nullptr;
    Display* d = display_;
    const int screen = DefaultScreen(d);
    const ScreenRect area = primary_area(d);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(d, screen);
    attributes.event_mask = 0;
    const ::Window window =
        XCreateWindow(d, RootWindow(d, screen), area.x, area.y, area.width, area.height, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    if (!window) return nullptr;

    XStoreName(d, window, "Brinelight desktop");
    XClassHint classHint{};
    char name[] = "brinelight", className[] = "Brinelight";
    classHint.res_name = name;
    classHint.res_class = className;
    XSetClassHint(d, window, &classHint);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = False;  // the desktop never takes the keyboard
    XSetWMHints(d, window, &hints);
    // Position and size are the program's, not the window manager's choice.
    XSizeHints size{};
    size.flags = USPosition | USSize | PPosition | PSize;
    size.x = area.x;
    size.y = area.y;
    size.width = static_cast<int>(area.width);
    size.height = static_cast<int>(area.height);
    XSetWMNormalHints(d, window, &size);

    auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
    const Atom type = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    XChangeProperty(d, window, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    // Set before mapping, the states are the window's initial ones (EWMH).
    const Atom states[] = {atom("_NET_WM_STATE_BELOW"), atom("_NET_WM_STATE_STICKY"),
                           atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")};
    XChangeProperty(d, window, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states), 4);
    const long allDesktops = 0xFFFFFFFFL;
    XChangeProperty(d, window, atom("_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&allDesktops), 1);
    const long pid = static_cast<long>(getpid());
    XChangeProperty(d, window, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);

    // Selected before mapping, so the first VisibilityNotify comes with the map.
    visibility_ = std::make_unique<X11Visibility>(d, window, area, attributes.event_mask);
    XMapWindow(d, window);
    XLowerWindow(d, window);
    XSync(d, False);  // the device opens the window on another connection next
    window_ = window;
    if (QCoreApplication::instance()) {
        notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(d), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { read_events(); });
    }
    read_events();
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(window_));
}

void X11Desktop::read_events() {
    if (!display_) return;
    // XPending also reads what the socket holds, so nothing stays behind in Xlib's queue unseen.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (visibility_) visibility_->handle_event(event);
    }
}

bool X11Desktop::desktop_visible() {
    if (!visibility_) return true;
    read_events();
    return visibility_->visible();
}

void X11Desktop::release() {
    notifier_.reset();
    visibility_.reset();
    if (display_) {
        if (window_) XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    display_ = nullptr;
    window_ = 0;
}

}  // namespace brine
