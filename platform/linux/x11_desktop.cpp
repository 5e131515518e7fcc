#include "platform/linux/x11_desktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>

#include "platform/linux/x11_desktop_watch.h"
#include "platform/linux/x11_shape.h"

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

WindowHandle handle_of(unsigned long window) {
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(window));
}

void set_atoms(Display* d, ::Window window, const char* property, const Atom* atoms, int count) {
    XChangeProperty(d, window, XInternAtom(d, property, False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms), count);
}

void set_cardinal(Display* d, ::Window window, const char* property, long value) {
    XChangeProperty(d, window, XInternAtom(d, property, False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
}

// What the window manager, pagers and the tests read of every window of ours.
void describe(Display* d, ::Window window) {
    XStoreName(d, window, "Brinelight desktop");
    XClassHint classHint{};
    char name[] = "brinelight", className[] = "Brinelight";
    classHint.res_name = name;
    classHint.res_class = className;
    XSetClassHint(d, window, &classHint);
    const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    set_atoms(d, window, "_NET_WM_WINDOW_TYPE", &type, 1);
    set_cardinal(d, window, "_NET_WM_PID", static_cast<long>(getpid()));
}

}  // namespace

X11Desktop::X11Desktop() = default;
X11Desktop::~X11Desktop() { release(); }

bool X11Desktop::check_active_desktop() {
    if (!display_) display_ = XOpenDisplay(nullptr);
    return display_ != nullptr;
}

SurfaceWay X11Desktop::way_now() const {
    if (!watch_ || !watch_->other_desktop()) return SurfaceWay::kOwnDesktop;
    return watch_->compositor() && haveArgbVisual_ ? SurfaceWay::kOverTranslucent : SurfaceWay::kOverShaped;
}

WindowHandle X11Desktop::find_web_view_window() {
    if (window_.id && !changed_) return handle_of(window_.id);
    if (!check_active_desktop()) return nullptr;
    if (!watch_) {
        XVisualInfo info{};
        haveArgbVisual_ = XMatchVisualInfo(display_, DefaultScreen(display_), 32, TrueColor, &info);
        watch_ = std::make_unique<X11DesktopWatch>(display_, DefaultScreen(display_));
    }
    read_events();
    const SurfaceWay way = way_now();
    const ScreenRect area = primary_area(display_);
    const OwnWindow window = create_window(way, area);
    if (!window.id) return nullptr;
    window_ = window;
    way_ = way;
    changed_ = false;
    std::vector<unsigned long> ours{window_.id};
    for (const OwnWindow& old : retired_) ours.push_back(old.id);
    watch_->set_ours(ours);
    watch_->keep_above(see_through(way_) ? window_.id : 0);
    XSync(display_, False);  // the device opens the window on another connection next
    if (!notifier_ && QCoreApplication::instance()) {
        notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { read_events(); });
    }
    read_events();
    return handle_of(window_.id);
}

X11Desktop::OwnWindow X11Desktop::create_window(SurfaceWay way, const ScreenRect& area) {
    Display* d = display_;
    const int screen = DefaultScreen(d);
    OwnWindow window;
    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask;
    attributes.event_mask = 0;
    Visual* visual = CopyFromParent;
    int depth = CopyFromParent;
    if (way == SurfaceWay::kOwnDesktop) {
        attributes.background_pixel = BlackPixel(d, screen);
        mask |= CWBackPixel;
    } else {
        // Unmanaged: the window manager neither frames it, nor lists it in a taskbar or pager,
        // nor hides it on another workspace, and its place in the stack is ours to keep.
        attributes.override_redirect = True;
        attributes.border_pixel = 0;
        mask |= CWOverrideRedirect | CWBorderPixel;
        XVisualInfo info{};
        if (way == SurfaceWay::kOverTranslucent && XMatchVisualInfo(d, screen, 32, TrueColor, &info)) {
            visual = info.visual;
            depth = 32;
            window.colormap = XCreateColormap(d, RootWindow(d, screen), visual, AllocNone);
            attributes.colormap = window.colormap;
            attributes.background_pixel = 0;  // transparent until the first frame
            mask |= CWColormap | CWBackPixel;
        } else {
            attributes.background_pixmap = None;
            mask |= CWBackPixmap;
        }
    }
    window.id = XCreateWindow(d, RootWindow(d, screen), area.x, area.y, area.width, area.height, 0, depth,
                              InputOutput, visual, mask, &attributes);
    if (!window.id) {
        if (window.colormap) XFreeColormap(d, window.colormap);
        return {};
    }
    describe(d, window.id);

    if (way == SurfaceWay::kOwnDesktop) {
        XWMHints hints{};
        hints.flags = InputHint;
        hints.input = False;  // the desktop never takes the keyboard
        XSetWMHints(d, window.id, &hints);
        // Position and size are the program's, not the window manager's choice.
        XSizeHints size{};
        size.flags = USPosition | USSize | PPosition | PSize;
        size.x = area.x;
        size.y = area.y;
        size.width = static_cast<int>(area.width);
        size.height = static_cast<int>(area.height);
        XSetWMNormalHints(d, window.id, &size);
        // Set before mapping, the states are the window's initial ones (EWMH).
        const Atom states[] = {XInternAtom(d, "_NET_WM_STATE_BELOW", False),
                               XInternAtom(d, "_NET_WM_STATE_STICKY", False),
                               XInternAtom(d, "_NET_WM_STATE_SKIP_TASKBAR", False),
                               XInternAtom(d, "_NET_WM_STATE_SKIP_PAGER", False)};
        set_atoms(d, window.id, "_NET_WM_STATE", states, 4);
        set_cardinal(d, window.id, "_NET_WM_DESKTOP", 0xFFFFFFFFL);
        // Selected before mapping, so the first VisibilityNotify comes with the map.
        visibility_ = std::make_unique<X11Visibility>(d, window.id, area, attributes.event_mask);
        XMapWindow(d, window.id);
        XLowerWindow(d, window.id);
    } else {
        clear_input_shape(d, window.id);  // every click and drag reaches the icons beneath
        // Until the first frame shapes it, a shaped window covers nothing.
        if (!window.colormap) set_bounding_shape(d, window.id, {});
        set_cardinal(d, window.id, "_NET_WM_DESKTOP", 0xFFFFFFFFL);
        visibility_ = std::make_unique<X11Visibility>(d, window.id, area, attributes.event_mask);
        XMapWindow(d, window.id);
    }
    publish_desktop_surface(window.id, way);
    return window;
}

void X11Desktop::destroy_window(const OwnWindow& window) {
    if (!display_ || !window.id) return;
    forget_desktop_surface(window.id);
    XDestroyWindow(display_, window.id);
    if (window.colormap) XFreeColormap(display_, window.colormap);
    XFlush(display_);
}

bool X11Desktop::attachment_changed() {
    read_events();
    return changed_;
}

bool X11Desktop::desktop_visible() {
    if (!visibility_) return true;
    read_events();
    if (changed_) return true;
    const bool visible = visibility_->visible();
    if (!see_through(way_)) return visible;
    // Over another desktop the window's own VisibilityNotify follows its shape, which the frames
    // make: a window cut to nothing before its first frame would stay hidden for good.
    VisibilityFacts facts = visibility_->facts();
    facts.fullyObscured = false;
    return ::brine::desktop_visible(facts);
}

void X11Desktop::read_events() {
    if (!display_ || !watch_) return;
    // XPending also reads what the socket holds, so nothing stays behind in Xlib's queue unseen.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        watch_->handle_event(event);
        if (visibility_) visibility_->handle_event(event);
    }
    if (watch_->settle()) follow_the_desktop();
}

void X11Desktop::follow_the_desktop() {
    if (!window_.id || changed_ || way_now() == way_) return;
    // The device drawing into the window reports a loss at its next Present; the rebuild then
    // asks for the new window, and the old one goes once the old device has let go of it.
    changed_ = true;
    retired_.push_back(window_);
    const unsigned long id = window_.id;
    retire_desktop_surface(id, [this, id] {
        const auto it = std::find_if(retired_.begin(), retired_.end(),
                                     [id](const OwnWindow& w) { return w.id == id; });
        if (it == retired_.end()) return;
        const OwnWindow old = *it;
        retired_.erase(it);
        destroy_window(old);
    });
}

void X11Desktop::release() {
    notifier_.reset();
    visibility_.reset();
    watch_.reset();
    if (display_) {
        for (const OwnWindow& old : retired_) destroy_window(old);
        destroy_window(window_);
        XCloseDisplay(display_);
    }
    retired_.clear();
    display_ = nullptr;
    window_ = {};
    way_ = SurfaceWay::kOwnDesktop;
    changed_ = false;
}

}  // namespace brine
