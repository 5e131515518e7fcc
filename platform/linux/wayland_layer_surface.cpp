#include "platform/linux/wayland_layer_surface.h"

#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>
// The generated header names a request parameter `namespace`.
#define namespace name_space
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

#include <chrono>
#include <cstring>
#include <thread>

namespace brine {

namespace {

constexpr std::uint32_t kLayerShellVersion = 4;

}  // namespace

bool LayerSurface::probe(bool* layerShell) {
    *layerShell = false;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    bool found = false;
    wl_registry* registry = wl_display_get_registry(display);
    const wl_registry_listener listener = {
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(registry, &listener, &found);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    *layerShell = answered && found;
    return answered;
}

std::unique_ptr<LayerSurface> LayerSurface::make(QWindow* window, ShellLayer layer, const char* nameSpace) {
    std::unique_ptr<LayerSurface> surface(new LayerSurface());
    if (!surface->init(window, layer, nameSpace)) return nullptr;
    return surface;
}

bool LayerSurface::init(QWindow* window, ShellLayer layer, const char* nameSpace) {
    window_ = window;
    layer_ = layer;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (!window || !native || QGuiApplication::platformName() != QLatin1String("wayland")) return false;
    display_ = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
    auto* surface = static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
    if (!display_ || !surface) return false;

    // A queue of our own: Qt dispatches its queues on its own schedule and knows nothing of these objects.
    queue_ = wl_display_create_queue(display_);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue_);
    registry_ = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    static const wl_registry_listener registryListener = {&LayerSurface::on_global, &LayerSurface::on_global_remove};
    wl_registry_add_listener(registry_, &registryListener, this);
    if (wl_display_roundtrip_queue(display_, queue_) < 0 || !shell_ || !compositor_) return false;

    surface_ = zwlr_layer_shell_v1_get_layer_surface(shell_, surface, nullptr, static_cast<std::uint32_t>(layer),
                                                     nameSpace);
    static const zwlr_layer_surface_v1_listener listener = {&LayerSurface::on_configure, &LayerSurface::on_closed};
    zwlr_layer_surface_v1_add_listener(surface_, &listener, this);
    zwlr_layer_surface_v1_set_anchor(surface_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                    ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(surface_, 0, 0);          // the whole output between the anchors
    zwlr_layer_surface_v1_set_exclusive_zone(surface_, -1);  // under panels, not beside them
    zwlr_layer_surface_v1_set_keyboard_interactivity(surface_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    // Clicks go to whatever lies beneath (a desktop's icons), whatever Qt does with its own flags.
    wl_region* nothing = wl_compositor_create_region(compositor_);
    wl_surface_set_input_region(surface, nothing);
    wl_region_destroy(nothing);
    wl_surface_commit(surface);
    if (!wait_for_configure()) return false;
    acknowledge();
    return true;
}

LayerSurface::~LayerSurface() {
    if (surface_) zwlr_layer_surface_v1_destroy(surface_);
    if (shell_) zwlr_layer_shell_v1_destroy(shell_);
    if (compositor_) wl_compositor_destroy(compositor_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_flush(display_);
    if (queue_) wl_event_queue_destroy(queue_);
}

bool LayerSurface::wait_for_configure() {
    // The first configure answers the initial commit; a compositor that does not give one within
    // the second does not mean to show the surface.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!pending_ && !closed_) {
        if (wl_display_roundtrip_queue(display_, queue_) < 0) return false;
        if (pending_ || closed_ || std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pending_ && !closed_;
}

void LayerSurface::acknowledge() {
    if (!pending_) return;
    // Only the latest of several configures is acknowledged, and each serial once: sway sends two
    // before the first answer, and a second acknowledgement of a serial is a protocol error.
    zwlr_layer_surface_v1_ack_configure(surface_, pendingSerial_);
    pending_ = false;
    configured_ = true;
    width_ = pendingWidth_;
    height_ = pendingHeight_;
    if (window_ && width_ > 0 && height_ > 0 && (window_->width() != width_ || window_->height() != height_))
        window_->setGeometry(0, 0, width_, height_);
    wl_display_flush(display_);
}

void LayerSurface::dispatch() {
    if (!display_ || !queue_) return;
    wl_display_dispatch_queue_pending(display_, queue_);
    acknowledge();
}

void LayerSurface::on_global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                             std::uint32_t version) {
    auto* self = static_cast<LayerSurface*>(data);
    if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && !self->shell_) {
        const std::uint32_t v = version < kLayerShellVersion ? version : kLayerShellVersion;
        self->shell_ =
            static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, v));
    } else if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !self->compositor_) {
        self->compositor_ = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    }
}

void LayerSurface::on_global_remove(void*, wl_registry*, std::uint32_t) {}

void LayerSurface::on_configure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
                                std::uint32_t height) {
    auto* self = static_cast<LayerSurface*>(data);
    self->pending_ = true;
    self->pendingSerial_ = serial;
    self->pendingWidth_ = static_cast<int>(width);
    self->pendingHeight_ = static_cast<int>(height);
}

void LayerSurface::on_closed(void* data, zwlr_layer_surface_v1*) { static_cast<LayerSurface*>(data)->closed_ = true; }

}  // namespace brine
