#include "platform/linux/linux_desktop_host.h"

#include <sys/resource.h>

#include "platform/linux/linux_texts.h"
#include "shell/shell_texts.h"

namespace brine {

DesktopWay LinuxDesktopHost::choose_way() {
    way_ = choose_desktop_way(probe_session());
    prepare_qt_platform(way_);
    return way_;
}

bool LinuxDesktopHost::check_active_desktop() {
    if (way_ == DesktopWay::kLayerShell) return true;  // the compositor answered when the way was chosen
    if (way_ == DesktopWay::kNone || !x11_.check_active_desktop()) return false;
    if (way_ == DesktopWay::kXWaylandUnsuited && boxes_ && !noticeShown_) {
        // A notice, not a warning: nothing failed, and the program goes on as well as it can.
        noticeShown_ = true;
        boxes_->message_box(kMsgNoDesktopLayer, kCaptionInformation, kMbOk | kMbIconInformation, false);
    }
    return true;
}

WindowHandle LinuxDesktopHost::find_web_view_window() {
    if (way_ != DesktopWay::kLayerShell) return x11_.find_web_view_window();
    if (!wayland_) wayland_ = std::make_unique<WaylandDesktop>();
    return wayland_->find_web_view_window();
}

void LinuxDesktopHost::release() {
    wayland_.reset();
    x11_.release();
}

void LinuxDesktopHost::enter_background() { setpriority(PRIO_PROCESS, 0, 5); }

// Both asked before every frame: the desktop's changes are noticed here.
bool LinuxDesktopHost::draws_wallpaper() {
    if (wayland_) {
        wayland_->read_events();
        return wayland_->layer() == ShellLayer::kBackground;
    }
    x11_.read_events();
    return x11_.way() == SurfaceWay::kOwnDesktop;
}

bool LinuxDesktopHost::attachment_changed() {
    return wayland_ ? wayland_->attachment_changed() : x11_.attachment_changed();
}

}  // namespace brine
