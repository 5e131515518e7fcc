// The desktop as the aquarium needs it on Linux: the per-user instance lock, the way the session
// lets the tank reach the desktop (settled before Qt starts), the window the device draws into (an
// X11 window, own or over another desktop, or a Wayland layer surface), how it is attached and
// whether it can be seen, and the lower scheduling priority.
#pragma once
#include "platform/linux/desktop_way.h"
#include "platform/linux/instance_lock.h"
#include "platform/linux/wayland_desktop.h"
#include "platform/linux/x11_desktop.h"
#include "shell/aquarium.h"

#include <memory>

namespace brine {

class LinuxDesktopHost final : public DesktopHost {
public:
    // Asks the session which way serves (probe_session) and prepares Qt's platform for it.
    DesktopWay choose_way();
    DesktopWay way() const { return way_; }
    // Where the one notice goes (a session where the tank cannot lie behind the windows); set
    // once the Ui exists.
    void set_message_boxes(MessageBoxes* boxes) { boxes_ = boxes; }
    // The windows go before Qt does.
    void release();

    bool another_instance_running() override { return !lock_.acquire(); }
    // Also says, once, when the tank is to appear in an ordinary window.
    bool check_active_desktop() override;
    WindowHandle find_web_view_window() override;
    // BELOW_NORMAL_PRIORITY_CLASS: a nice value of 5 leaves the desktop responsive.
    void enter_background() override;
    bool draws_wallpaper() override;
    bool attachment_changed() override;
    // A Wayland compositor tells a client nothing of what covers its surface: seen, as when unsure.
    bool desktop_visible() override { return wayland_ ? true : x11_.desktop_visible(); }

private:
    InstanceLock lock_;
    DesktopWay way_ = DesktopWay::kNone;
    MessageBoxes* boxes_ = nullptr;
    bool noticeShown_ = false;
    X11Desktop x11_;
    std::unique_ptr<WaylandDesktop> wayland_;  // made once Qt runs on Wayland
};

}  // namespace brine
