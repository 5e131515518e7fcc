#include "platform/linux/linux_desktop_host.h"

#include <sys/resource.h>

namespace brine {

void LinuxDesktopHost::enter_background() { setpriority(PRIO_PROCESS, 0, 5); }

}  // namespace brine
