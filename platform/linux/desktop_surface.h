// The seam between the X11 desktop and the OpenGL device for each window the desktop hands out:
// the way frames are shown in it, whether the desktop has retired it (the way of attaching
// changed, so the device reports itself lost and the display is rebuilt on a new window), and
// when the last device lets go of it, so that it is destroyed only then. One process, main
// thread. No X11, GL or Qt here.
#pragma once
#include <functional>

namespace brine {

enum class SurfaceWay {
    kOwnDesktop,      // the tank's own desktop: opaque, the wallpaper drawn
    kOverShaped,      // over another program's desktop, cut to the frame's alpha by a bounding shape
    kOverTranslucent  // over another program's desktop, see-through by a 32-bit ARGB visual
};

// Every way but the own desktop lets the desktop beneath show through.
inline bool see_through(SurfaceWay way) { return way != SurfaceWay::kOwnDesktop; }

// The desktop's side. A window it never published reads as its own desktop and never retires.
void publish_desktop_surface(unsigned long window, SurfaceWay way);
// Marks the window retired; `destroy` runs at once when no device holds it, else when the last
// holder lets go.
void retire_desktop_surface(unsigned long window, std::function<void()> destroy);
// Forgets the window without running its destroy (the desktop destroys it itself).
void forget_desktop_surface(unsigned long window);

// The device's side.
SurfaceWay desktop_surface_way(unsigned long window);
bool desktop_surface_retired(unsigned long window);
void hold_desktop_surface(unsigned long window);
void let_go_desktop_surface(unsigned long window);

}  // namespace brine
