// The desktop the aquarium draws on in a Wayland session whose compositor offers the layer shell:
// a full-output window of ours made a layer surface. With no other program drawing the desktop's
// background, it lies on the background layer, opaque, the wallpaper of the settings drawn; where
// a wallpaper client or a desktop shell draws one (which would cover a later background surface),
// on the bottom layer above it and below every window, see-through, the wallpaper not drawn. It
// never takes input. Follows wallpaper clients that come and go, and an output that goes away,
// by retiring the window for a new one. Qt on its Wayland platform; no X11, no core beyond the
// window handle.
#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "device/graphics_device.h"
#include "platform/linux/desktop_surface.h"
#include "platform/linux/wayland_layer_surface.h"

class QWindow;

namespace brine {

// Which layer the tank wants as wallpaper clients come and go, looked at every two seconds: one
// that appears is followed at the next look, one that goes must stay gone for three looks, so
// that a compositor restarting its wallpaper client (sway's reload) does not flip the tank twice.
class LayerFollower {
public:
    void start(ShellLayer layer) { layer_ = layer; disagreements_ = 0; }
    // One look: whether a wallpaper client was seen. True when the tank should change layer now.
    bool look(bool wallpaperSeen);
    ShellLayer layer() const { return layer_; }

private:
    ShellLayer layer_ = ShellLayer::kBackground;
    int disagreements_ = 0;  // successive looks that wanted the other layer
};

// The Qt window behind a handle given out by a WaylandDesktop, or null for any other handle (an
// X11 window id, say): the graphics device draws straight into such a window.
QWindow* wayland_tank_window(WindowHandle handle);

class WaylandDesktop {
public:
    WaylandDesktop();
    ~WaylandDesktop();  // destroys the windows: release the device drawing into them first
    WaylandDesktop(const WaylandDesktop&) = delete;
    WaylandDesktop& operator=(const WaylandDesktop&) = delete;

    // The window for the layer that suits the desktop now, made and shown on the first call and
    // the same afterwards until attachment_changed(); null when the compositor refuses it.
    WindowHandle find_web_view_window();
    // The layer of the window last given out.
    ShellLayer layer() const { return layer_; }
    // True once the window last given out no longer serves: a wallpaper client came (or stayed
    // away for a while after going), or the compositor closed the surface. That window is then
    // retired (the device drawing into it reports a loss) and the next find makes a new one.
    // Reads the compositor's and the processes' news first.
    bool attachment_changed();
    // Acknowledges the compositor's configures; looks for wallpaper clients every two seconds.
    void read_events();

private:
    struct Tank {
        QWindow* window = nullptr;
        std::unique_ptr<LayerSurface> layer;
    };
    bool wallpaper_seen() const;
    void retire();
    static void destroy(Tank& tank);

    Tank tank_;
    std::vector<Tank> retired_;  // until the device drawing into them lets go
    ShellLayer layer_ = ShellLayer::kBackground;
    bool changed_ = false;
    unsigned uid_;
    std::string socket_;
    std::chrono::steady_clock::time_point nextLook_{};
    LayerFollower follower_;
};

}  // namespace brine
