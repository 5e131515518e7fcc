// What else lies on the X11 desktop: another client's desktop window (a file manager drawing the
// background and icons, _NET_WM_WINDOW_TYPE_DESKTOP) and a compositing manager (_NET_WM_CM_Sn has
// an owner), noticed coming or going from the root's structure, property and selection events;
// and a window of ours kept directly above that desktop window whenever the stack changes.
// Xlib and XFixes only; no Qt.
#pragma once
#include <vector>

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

namespace brine {

class X11DesktopWatch {
public:
    // Selects structure and property events on the root window of `screen` (the connection must
    // select nothing else there) and the compositor selection's owner events, then looks once.
    X11DesktopWatch(Display* display, int screen);

    // Windows of ours, never taken for another client's desktop (nor is any window whose
    // _NET_WM_PID is this process).
    void set_ours(const std::vector<unsigned long>& windows) { ours_ = windows; }
    // The window of ours to keep directly above the other desktop; 0: none. Restacks at once.
    void keep_above(unsigned long window);

    // Takes one event of the connection; what it asks for is done by settle().
    void handle_event(const XEvent& event);
    // Looks again and restacks as the events since the last call ask; true when the other
    // desktop or the compositor came or went.
    bool settle();

    // The child of the root window that holds the other desktop (its frame under a reparenting
    // window manager); 0 when there is none.
    unsigned long other_desktop() const { return otherDesktop_; }
    bool compositor() const { return compositor_; }

private:
    bool ours(unsigned long window) const;
    bool is_other_desktop(unsigned long window);
    unsigned long frame_of(unsigned long window);
    void find_other_desktop();
    void find_compositor();
    void restack();

    Display* display_;
    unsigned long root_;
    unsigned long desktopType_, windowType_, clientList_, wmPid_, compositorAtom_;
    int fixesEvent_ = -1;
    std::vector<unsigned long> ours_;
    unsigned long above_ = 0;
    unsigned long otherDesktop_ = 0;
    bool compositor_ = false;
    bool lookWanted_ = false, compositorWanted_ = false, restackWanted_ = false;
};

}  // namespace brine
