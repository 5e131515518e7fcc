// The desktop as start-up needs it on Windows, first half: the single-instance test by the main
// window's class and title, the below-normal priority class, and the program's own directory as
// the current one. The window the device draws into comes with the Direct3D 9 device.
#pragma once
#include "shell/aquarium.h"

namespace brine {

class WinDesktopHost final : public DesktopHost {
public:
    // FindWindowW with class and title both "Brinelight Vespera".
    bool another_instance_running() override;
    // Not decided on Windows yet: the Active Desktop check and the window behind the icons come
    // with the Direct3D 9 device. Until then the desktop counts as able to host the tank and no
    // window is found, which the device creation refuses.
    bool check_active_desktop() override { return true; }
    WindowHandle find_web_view_window() override { return nullptr; }
    // SetPriorityClass(BELOW_NORMAL_PRIORITY_CLASS).
    void enter_background() override;
    // The web-view window behind the icons is the tank's own desktop, and its way never changes.
    bool draws_wallpaper() override { return true; }
    bool attachment_changed() override { return false; }
    // Not watched on Windows yet: unsure, so seen.
    bool desktop_visible() override { return true; }
};

// The folder of the running executable becomes the current directory (the data files are opened
// relative to it). False when it cannot be found or entered.
bool enter_program_directory();

}  // namespace brine
