#include "platform/linux/wayland_desktop.h"

#include <QSurfaceFormat>
#include <QWindow>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>

#include "platform/linux/wallpaper_clients.h"

namespace brine {

namespace {

constexpr auto kLookInterval = std::chrono::seconds(2);
constexpr int kLooksToAppear = 1, kLooksToGo = 3;

// The window's name in the desktop-surface ledger, which the device reads by its handle.
unsigned long surface_key(const QWindow* window) {
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window));
}

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

bool WaylandDesktop::wallpaper_seen() const {
    return !find_wallpaper_clients("/proc", static_cast<uid_t>(uid_), socket_).empty();
}

WindowHandle WaylandDesktop::find_web_view_window() {
    if (tank_.window && !changed_) return reinterpret_cast<WindowHandle>(tank_.window);
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
    publish_desktop_surface(surface_key(window), seeThrough ? SurfaceWay::kOverTranslucent : SurfaceWay::kOwnDesktop);
    return reinterpret_cast<WindowHandle>(window);
}

void WaylandDesktop::retire() {
    // The device drawing into the window reports a loss at its next Present; the rebuild then asks
    // for the new window, and the old one goes once the old device has let go of it.
    changed_ = true;
    QWindow* window = tank_.window;
    retired_.push_back(std::move(tank_));
    tank_ = Tank();
    retire_desktop_surface(surface_key(window), [this, window] {
        const auto it =
            std::find_if(retired_.begin(), retired_.end(), [window](const Tank& t) { return t.window == window; });
        if (it == retired_.end()) return;
        Tank old = std::move(*it);
        retired_.erase(it);
        destroy(old);
    });
}

void WaylandDesktop::destroy(Tank& tank) {
    if (!tank.window) return;
    forget_desktop_surface(surface_key(tank.window));
    tank_windows().erase(tank.window);
    tank.layer.reset();  // the role before the surface
    delete tank.window;
    tank.window = nullptr;
}

void WaylandDesktop::read_events() {
    for (Tank& old : retired_) old.layer->dispatch();  // still drawn into until the rebuild
    if (!tank_.window || changed_) return;
    tank_.layer->dispatch();
    if (tank_.layer->closed()) {
        retire();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLook_) return;
    nextLook_ = now + kLookInterval;
    if (follower_.look(wallpaper_seen())) retire();
}

bool WaylandDesktop::attachment_changed() {
    read_events();
    return changed_;
}

}  // namespace brine
