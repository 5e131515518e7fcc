// Whether anything of a desktop window can be seen on X11: its own VisibilityNotify and map
// events, full-screen clients of an EWMH window manager, the screen saver (MIT-SCREEN-SAVER) and
// display power (DPMS). Works on any window it is given, the program's own or another client's,
// and only reads: it selects events on that window but never changes it. Xlib only, no Qt.
#pragma once
#include <cstdint>

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

namespace brine {

struct ScreenRect {
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
};

// True when `outer` contains every pixel of `inner` (an empty inner is never covered).
bool rect_covers(const ScreenRect& outer, const ScreenRect& inner);

// What is known about the display at one moment.
struct VisibilityFacts {
    bool mapped = true;
    bool fullyObscured = false;    // the window's last VisibilityNotify said so
    bool compositor = false;       // a compositing manager runs: VisibilityNotify then tells nothing
    bool fullScreenCover = false;  // a viewable client window covers the whole watched area
    bool screenSaverOn = false;
    bool displayOff = false;       // DPMS standby, suspend or off
};

bool desktop_visible(const VisibilityFacts& facts);

class X11Visibility {
public:
    // Selects visibility and structure events on `window` (ORed into `ownEventMask`, the mask this
    // connection already selects there). `area` is what must be covered to hide the desktop, in
    // root coordinates.
    X11Visibility(Display* display, unsigned long window, ScreenRect area, long ownEventMask);

    // Takes the events of the watched window; others are ignored.
    void handle_event(const XEvent& event);
    // The answer, re-reading what has no event (compositor, full-screen clients, screen saver,
    // display power) when the last look is older than a third of a second.
    bool visible();
    const VisibilityFacts& facts() const { return facts_; }
    void set_area(const ScreenRect& area) { area_ = area; }

private:
    void recheck();
    bool full_screen_client();
    bool desktop_type(unsigned long window);

    Display* display_;
    unsigned long window_;
    ScreenRect area_;
    VisibilityFacts facts_;
    std::int64_t lastCheckNs_ = -1;
    bool haveScreenSaver_ = false, haveDpms_ = false;
    unsigned long compositorAtom_ = 0, stackingAtom_ = 0, typeAtom_ = 0, desktopTypeAtom_ = 0;
};

}  // namespace brine
