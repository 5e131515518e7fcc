#include "platform/linux/wayland_desktop.h"

#include <QSurfaceFormat>
#include <QWindow>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/linux/wallpaper_clients.h"

namespace brine {

namespace {

constexpr auto kLookInterval = std::chrono::seconds(2);
constexpr int kLooksToAppear = 1, kLooksToGo = 3;

std::set<QWindow*>& tank_windows() {
    static std::set<QWindow*> windows;
    return windows;
}

// The device makes its context from the same numbers, so that both sit on one EGL configuration;
// alpha only where the desktop beneath is to show through.
QSurfaceFormat tank_format(bool seeThrough) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(seeThrough ? 8 : 0);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

}  // namespace

bool LayerFollower::look(bool wallpaperSeen) {
    const ShellLayer wanted = wallpaperSeen ? ShellLayer::kBottom : ShellLayer::kBackground;
    if (wanted == layer_) {
        disagreements_ = 0;
        return false;
    }
    return ++disagreements_ >= (wanted == ShellLayer::kBottom ? kLooksToAppear : kLooksToGo);
}

QWindow* wayland_tank_window(WindowHandle handle) {
    auto* window = reinterpret_cast<QWindow*>(handle);
    return handle && tank_windows().count(window) ? window : nullptr;
}

WaylandDesktop::WaylandDesktop() : uid_(static_cast<unsigned>(getuid())) {
    socket_ = wayland_socket_path(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_RUNTIME_DIR"));
}

WaylandDesktop::~WaylandDesktop() {
    destroy(tank_);
    for (Tank& old : retired_) destroy(old);
}

void WaylandDesktop::watch_processes(const std::string& procRoot, unsigned uid) {
    procRoot_ = procRoot;
    uid_ = uid;
}

bool WaylandDesktop::wallpaper_seen() const {
    return !find_wallpaper_clients(procRoot_, static_cast<uid_t>(uid_), socket_).empty();
}

WindowHandle WaylandDesktop::find_web_view_window() {
    if (tank_.window && !changed_) return reinterpret_cast<WindowHandle>(tank_.window);
    for (Tank& old : retired_) destroy(old);
    retired_.clear();
    if (tank_.window) retired_.push_back(std::move(tank_));
    tank_ = Tank();
    changed_ = false;
    layer_ = wallpaper_seen() ? ShellLayer::kBottom : ShellLayer::kBackground;
    follower_.start(layer_);
    nextLook_ = std::chrono::steady_clock::now() + kLookInterval;

    const bool seeThrough = layer_ == ShellLayer::kBottom;
    auto* window = new QWindow();
    window->setSurfaceType(QSurface::OpenGLSurface);
    window->setFormat(tank_format(seeThrough));
    window->setFlags(Qt::BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    window->setTitle(QStringLiteral("Brinelight desktop"));
    window->create();
    std::unique_ptr<LayerSurface> layer = LayerSurface::make(window, layer_, "brinelight");
    if (!layer) {
        delete window;
        return nullptr;
    }
    window->setGeometry(0, 0, layer->width(), layer->height());
    // Shown once and never hidden: hiding destroys the wl_surface and the layer role with it.
    window->show();
    tank_.window = window;
    tank_.layer = std::move(layer);
    tank_windows().insert(window);
    return reinterpret_cast<WindowHandle>(window);
}

void WaylandDesktop::destroy(Tank& tank) {
    if (!tank.window) return;
    tank_windows().erase(tank.window);
    tank.layer.reset();  // the role before the surface
    delete tank.window;
    tank.window = nullptr;
}

void WaylandDesktop::read_events() {
    if (!tank_.window || changed_) return;
    tank_.layer->dispatch();
    if (tank_.layer->closed()) {
        changed_ = true;
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLook_) return;
    nextLook_ = now + kLookInterval;
    changed_ = follower_.look(wallpaper_seen());
}

bool WaylandDesktop::attachment_changed() {
    read_events();
    return changed_;
}

}  // namespace brine
