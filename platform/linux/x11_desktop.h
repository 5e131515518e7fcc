// The desktop the aquarium draws on, on X11: the program's own full-screen window of type
// _NET_WM_WINDOW_TYPE_DESKTOP, kept below every other window, on all workspaces, out of the
// taskbar and pager, sized to the primary screen. The graphics device draws into it. Uses Xlib on
// a connection of its own (the window lives as long as this object), whose events are read
// whenever they arrive (a Qt socket notifier, so they end the main loop's wait too) and handed to
// the watchers of the window; Qt only for the screen size and that notifier.
#pragma once
#include <cstdint>
#include <memory>

#include "device/graphics_device.h"
#include "platform/linux/x11_visibility.h"

typedef struct _XDisplay Display;
class QSocketNotifier;

namespace brine {

class X11Desktop {
public:
    X11Desktop();
    ~X11Desktop();  // destroys the window: release the device drawing into it first
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // Whether a desktop can be hosted: an X display is reachable ($DISPLAY).
    bool check_active_desktop();
    // The desktop window, created and shown on the first call and the same afterwards; null when
    // no display is reachable.
    WindowHandle find_web_view_window();
    // Whether anything of the desktop window can be seen (see X11Visibility); true before the
    // window exists. Reads the connection's queued events first.
    bool desktop_visible();
    // Hands every queued event of the connection to the watchers.
    void read_events();
    void release();

private:
    Display* display_ = nullptr;
    unsigned long window_ = 0;
    std::unique_ptr<X11Visibility> visibility_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace brine
