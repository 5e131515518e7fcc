// The desktop as the aquarium needs it on Linux: the per-user instance lock, the X11 desktop
// window the device draws into, the way it is attached and whether it can be seen, and the lower
// scheduling priority.
#pragma once
#include "platform/linux/instance_lock.h"
#include "platform/linux/x11_desktop.h"
#include "shell/aquarium.h"

namespace brine {

class LinuxDesktopHost final : public DesktopHost {
public:
    bool another_instance_running() override { return !lock_.acquire(); }
    bool check_active_desktop() override { return desktop_.check_active_desktop(); }
    WindowHandle find_web_view_window() override { return desktop_.find_web_view_window(); }
    // BELOW_NORMAL_PRIORITY_CLASS: a nice value of 5 leaves the desktop responsive.
    void enter_background() override;
    bool draws_wallpaper() override;
    bool attachment_changed() override { return desktop_.attachment_changed(); }
    bool desktop_visible() override { return desktop_.desktop_visible(); }

private:
    InstanceLock lock_;
    X11Desktop desktop_;
};

}  // namespace brine
