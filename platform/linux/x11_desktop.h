// The X11 window the device draws into, in one of two ways of attaching: the own desktop (a window
// of type _NET_WM_WINDOW_TYPE_DESKTOP below all others, on all workspaces, out of taskbar and pager)
// or, over another client's desktop window, an unmanaged window directly above it that takes no
// input, see-through by an ARGB visual under a compositor, else cut to each frame by a shape.
// Xlib on a connection of its own, read by a Qt socket notifier (so its events end the main loop's
// wait); the windows live as long as this object. Qt also for the screen size.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "device/graphics_device.h"
#include "platform/linux/desktop_surface.h"
#include "platform/linux/x11_visibility.h"

typedef struct _XDisplay Display;
class QSocketNotifier;

namespace brine {

class X11DesktopWatch;

class X11Desktop {
public:
    X11Desktop();
    ~X11Desktop();  // destroys the windows: release the device drawing into them first
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // Whether a desktop can be hosted: an X display is reachable ($DISPLAY).
    bool check_active_desktop();
    // The desktop window for the way of attaching that holds now, created and shown on the first
    // call and the same afterwards until the way changes; null when no display is reachable.
    WindowHandle find_web_view_window();
    // The way of the window last given out.
    SurfaceWay way() const { return way_; }
    // True once the way of attaching changed since the window was given out: that window is then
    // retired (the device drawing into it reports a loss) and the next find makes the new one.
    // Reads the connection's queued events first.
    bool attachment_changed();
    // Whether anything of the desktop window can be seen (see X11Visibility); true before the
    // window exists, and while the way of attaching has changed (the next frame's Present must
    // report the loss that brings the new window). Reads the connection's queued events first.
    bool desktop_visible();
    // Hands every queued event of the connection to the watchers and follows what changed.
    void read_events();
    void release();

private:
    struct OwnWindow {
        unsigned long id = 0;
        unsigned long colormap = 0;
    };
    SurfaceWay way_now() const;
    OwnWindow create_window(SurfaceWay way, const ScreenRect& area);
    void destroy_window(const OwnWindow& window);
    void follow_the_desktop();

    Display* display_ = nullptr;
    OwnWindow window_;
    SurfaceWay way_ = SurfaceWay::kOwnDesktop;
    bool changed_ = false;
    bool haveArgbVisual_ = false;
    std::vector<OwnWindow> retired_;  // until the device drawing into them lets go
    std::unique_ptr<X11DesktopWatch> watch_;
    std::unique_ptr<X11Visibility> visibility_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace brine
