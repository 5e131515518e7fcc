// The graphics-device interface on OpenGL 3.3 core through Qt 6: Direct3DCreate9, the adapter
// queries and device creation, and a device that reproduces the Direct3D 9 fixed-function states
// the program sets. Needs a QGuiApplication on the X11 (xcb) platform; draws into a child of the
// X11 window it is given, or offscreen when given none. Linux platform layer only.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "device/graphics_device.h"

class QOpenGLContext;

namespace brine {

class GlDeviceCore;

// Direct3D 9's own failure codes, passed on to the core unchanged.
constexpr HResult kD3dErrInvalidCall = static_cast<HResult>(0x8876086Cu);
constexpr HResult kD3dErrNotAvailable = static_cast<HResult>(0x8876086Au);
constexpr HResult kD3dErrDeviceLost = static_cast<HResult>(0x88760868u);
constexpr HResult kD3dErrOutOfVideoMemory = static_cast<HResult>(0x8876017Cu);

// What the probe context found out about the OpenGL implementation.
struct GlLimits {
    std::uint32_t maxTextureSize = 0;
    std::uint32_t maxRenderbufferSize = 0;
    float maxPointSize = 1.0f;
};

class GlGraphicsPlatform : public GraphicsPlatform {
public:
    // Null when there is no QGuiApplication or no OpenGL 3.3 core context can be made.
    GraphicsSystem* create_graphics_system(std::uint32_t sdkVersion) override;
};

class GlGraphicsSystem : public GraphicsSystem {
public:
    explicit GlGraphicsSystem(const GlLimits& limits) : limits_(limits) {}
    HResult get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) override;
    HResult get_device_caps(std::uint32_t adapter, std::uint32_t deviceType, DeviceCaps* caps) override;
    HResult check_device_format(std::uint32_t adapter, std::uint32_t deviceType, std::uint32_t adapterFormat,
                                std::uint32_t usage, std::uint32_t resourceType, std::uint32_t checkFormat) override;
    HResult create_device(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                          std::uint32_t behaviorFlags, const PresentParams& params, GraphicsDevice** out) override;
    void release() override { delete this; }

private:
    GlLimits limits_;
};

class GlSurface;
struct GlDeviceState;

class GlGraphicsDevice : public GraphicsDevice {
public:
    static HResult create(const GlLimits& limits, WindowHandle window, const PresentParams& params,
                          GlGraphicsDevice** out);

    HResult clear(std::uint32_t rectCount, const Rect* rects, std::uint32_t flags, D3DColor color, float z,
                  std::uint32_t stencil) override;
    HResult begin_scene() override;
    HResult end_scene() override;
    HResult present() override;
    HResult reset(const PresentParams& params) override;

    HResult set_render_state(std::uint32_t state, std::uint32_t value) override;
    HResult set_texture_stage_state(std::uint32_t stage, std::uint32_t type, std::uint32_t value) override;
    HResult set_transform(std::uint32_t state, const Matrix& matrix) override;
    HResult set_viewport(const Viewport& viewport) override;
    HResult set_light(std::uint32_t index, const Light& light) override;
    HResult light_enable(std::uint32_t index, bool enable) override;
    HResult set_material(const Material& material) override;
    HResult set_texture(std::uint32_t stage, Texture* texture) override;
    HResult set_fvf(std::uint32_t fvf) override;
    HResult set_software_vertex_processing(bool software) override;

    HResult draw_primitive_up(std::uint32_t type, std::uint32_t primitiveCount, const void* vertices,
                              std::uint32_t stride) override;
    HResult create_vertex_buffer(const void* data, std::uint32_t size, std::uint32_t fvf,
                                 VertexBuffer** out) override;
    HResult create_index_buffer(const void* data, std::uint32_t size, bool index32, IndexBuffer** out) override;
    HResult set_stream_source(VertexBuffer* buffer, std::uint32_t stride) override;
    HResult set_indices(IndexBuffer* buffer) override;
    HResult draw_indexed_primitive(std::uint32_t type, std::int32_t baseVertexIndex, std::uint32_t minIndex,
                                   std::uint32_t numVertices, std::uint32_t startIndex,
                                   std::uint32_t primitiveCount) override;

    HResult get_back_buffer(std::uint32_t swapChain, std::uint32_t index, Surface** out) override;
    HResult stretch_rect(Surface* source, const Rect* sourceRect, Surface* dest, const Rect* destRect,
                         std::uint32_t filter) override;
    HResult create_offscreen_plain_surface(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                                           std::uint32_t pool, Surface** out) override;
    HResult read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) override;

    HResult create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, Texture** out) override;
    HResult load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) override;
    HResult create_vertex_shader(const VertexShaderSource& source, VertexShader** out) override;
    HResult create_effect(const char* text, std::uint32_t size, std::uint32_t flags, Effect** out) override;
    HResult create_font(const LogFont& description, Font** out) override;

    void release() override;

    // --- Linux additions (tools and tests) ---
    // The context the device draws with (a lost one reads as invalid).
    QOpenGLContext* gl_context() const;

private:
    GlGraphicsDevice(std::shared_ptr<GlDeviceCore> core, const GlLimits& limits, const PresentParams& params);
    ~GlGraphicsDevice() override;
    bool init();
    void reset_states();
    void apply_draw_state();
    void apply_raster_state();
    void upload_uniforms(std::uint32_t weightCount);
    HResult check_present_params(const PresentParams& params, std::uint32_t* width, std::uint32_t* height) const;

    std::shared_ptr<GlDeviceCore> core_;
    GlLimits limits_;
    PresentParams params_;
    std::unique_ptr<GlDeviceState> state_;
    GlSurface* backBuffer_ = nullptr;
    bool inScene_ = false;
};

}  // namespace brine
