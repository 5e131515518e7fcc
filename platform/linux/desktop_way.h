// How the tank reaches the desktop in this session, settled once at start, before Qt picks its
// platform: an X11 session; a Wayland compositor with the layer shell (the tank a layer surface
// of ours); or a Wayland compositor without it, through XWayland with the X11 ways, which serve
// only where the X window manager honours the desktop window type (GNOME's does, sway's and
// weston's place such a window like any other). Linux platform layer; no Qt.
#pragma once

namespace brine {

enum class DesktopWay {
    kX11,               // X11 session: the X11 desktop window
    kLayerShell,        // Wayland with zwlr_layer_shell_v1: a background or bottom layer surface
    kXWayland,          // Wayland without it, XWayland's window manager honours the desktop type
    kXWaylandUnsuited,  // Wayland, neither: said once, then the X11 way all the same
    kNone               // no display at all
};

// What start-up finds out about the session.
struct SessionFacts {
    bool wayland = false;           // a compositor answered at $WAYLAND_DISPLAY
    bool layerShell = false;        // and offers zwlr_layer_shell_v1
    bool x11 = false;               // an X display answered at $DISPLAY
    bool desktopTypeHonoured = false;  // its window manager lists _NET_WM_WINDOW_TYPE_DESKTOP
};

DesktopWay choose_desktop_way(const SessionFacts& facts);

// Whether Qt and the device run on Wayland (else on X11 through xcb).
inline bool on_wayland(DesktopWay way) { return way == DesktopWay::kLayerShell; }

// Asks the session: the Wayland compositor's globals, the X display and its window manager's
// supported hints. Connects and disconnects; an unset or stale variable reads as absent.
SessionFacts probe_session();

// Points Qt at the platform the way needs (QT_QPA_PLATFORM) and, for the layer shell, lets a
// window of ours go without a shell role of Qt's. Before the application object is made.
void prepare_qt_platform(DesktopWay way);

}  // namespace brine
