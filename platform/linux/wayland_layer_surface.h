// A Qt window of ours given the wlr layer-shell role, so that the compositor stacks it with the
// desktop's own layers (background, bottom) instead of managing it as an ordinary window. Talks
// to the compositor on an event queue of its own beside Qt's; reaches the window's wl_surface
// through Qt's private native interface. Wayland and Qt only; nothing of the core.
#pragma once
#include <cstdint>
#include <memory>

class QWindow;
struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_compositor;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;

namespace brine {

// The protocol's own numbers.
enum class ShellLayer : std::uint32_t { kBackground = 0, kBottom = 1 };

class LayerSurface {
public:
    // Gives `window` the layer role on `layer`, covering the whole of the output the compositor
    // picks (under any panel's exclusive zone), taking neither keyboard nor pointer, then waits for
    // the first configure and acknowledges it. The window must be a created, never shown window
    // with Qt::BypassWindowManagerHint under Qt's Wayland platform with
    // QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT set, so that Qt gave it no role of its own. Null when
    // the platform is not Wayland, the compositor has no layer shell or never configures.
    static std::unique_ptr<LayerSurface> make(QWindow* window, ShellLayer layer, const char* nameSpace);
    ~LayerSurface();  // before the window: the role object goes first
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;

    // Reads what the compositor sent since: a new size is acknowledged once and given to the window.
    void dispatch();
    // The compositor took the surface away (its output went): only a new window serves then.
    bool closed() const { return closed_; }
    ShellLayer layer() const { return layer_; }
    // The configured size in surface coordinates (Qt's logical pixels).
    int width() const { return width_; }
    int height() const { return height_; }

    // Asks the compositor at $WAYLAND_DISPLAY, on a connection of its own, whether it offers the
    // layer shell; false when none answers. Needs no Qt.
    static bool probe(bool* layerShell);

private:
    LayerSurface() = default;
    bool init(QWindow* window, ShellLayer layer, const char* nameSpace);
    bool wait_for_configure();
    void acknowledge();

    static void on_global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                          std::uint32_t version);
    static void on_global_remove(void* data, wl_registry* registry, std::uint32_t name);
    static void on_configure(void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial, std::uint32_t width,
                             std::uint32_t height);
    static void on_closed(void* data, zwlr_layer_surface_v1* surface);

    QWindow* window_ = nullptr;
    wl_display* display_ = nullptr;  // Qt's connection, not ours to close
    wl_event_queue* queue_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    zwlr_layer_shell_v1* shell_ = nullptr;
    zwlr_layer_surface_v1* surface_ = nullptr;
    ShellLayer layer_ = ShellLayer::kBackground;
    std::uint32_t pendingSerial_ = 0;
    bool pending_ = false, configured_ = false, closed_ = false;
    int width_ = 0, height_ = 0, pendingWidth_ = 0, pendingHeight_ = 0;
};

}  // namespace brine
