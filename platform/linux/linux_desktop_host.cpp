#include "platform/linux/linux_desktop_host.h"

#include <sys/resource.h>

namespace brine {

void LinuxDesktopHost::enter_background() { setpriority(PRIO_PROCESS, 0, 5); }

bool LinuxDesktopHost::draws_wallpaper() {
    desktop_.read_events();  // asked before every frame: the desktop's changes are noticed here
    return desktop_.way() == SurfaceWay::kOwnDesktop;
}

}  // namespace brine
