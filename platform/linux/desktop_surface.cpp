#include "platform/linux/desktop_surface.h"

#include <map>
#include <utility>

namespace brine {

namespace {

struct SurfaceEntry {
    SurfaceWay way = SurfaceWay::kOwnDesktop;
    bool retired = false;
    int holders = 0;
    std::function<void()> destroy;
};

std::map<unsigned long, SurfaceEntry>& surfaces() {
    static std::map<unsigned long, SurfaceEntry> table;
    return table;
}

}  // namespace

void publish_desktop_surface(unsigned long window, SurfaceWay way) {
    SurfaceEntry& entry = surfaces()[window];
    entry.way = way;
    entry.retired = false;
    entry.destroy = nullptr;
}

void retire_desktop_surface(unsigned long window, std::function<void()> destroy) {
    auto it = surfaces().find(window);
    if (it == surfaces().end() || it->second.holders == 0) {
        if (it != surfaces().end()) surfaces().erase(it);
        if (destroy) destroy();
        return;
    }
    it->second.retired = true;
    it->second.destroy = std::move(destroy);
}

void forget_desktop_surface(unsigned long window) { surfaces().erase(window); }

SurfaceWay desktop_surface_way(unsigned long window) {
    auto it = surfaces().find(window);
    return it == surfaces().end() ? SurfaceWay::kOwnDesktop : it->second.way;
}

bool desktop_surface_retired(unsigned long window) {
    auto it = surfaces().find(window);
    return it != surfaces().end() && it->second.retired;
}

void hold_desktop_surface(unsigned long window) {
    auto it = surfaces().find(window);
    if (it != surfaces().end()) ++it->second.holders;
}

void let_go_desktop_surface(unsigned long window) {
    auto it = surfaces().find(window);
    if (it == surfaces().end() || it->second.holders == 0) return;
    if (--it->second.holders > 0 || !it->second.retired) return;
    std::function<void()> destroy = std::move(it->second.destroy);
    surfaces().erase(it);  // before the call: it may publish or retire again
    if (destroy) destroy();
}

}  // namespace brine
