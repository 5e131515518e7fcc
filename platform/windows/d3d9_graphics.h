// The graphics-device interface on the real Direct3D 9 and D3DX9: the numbers the core passes
// are Direct3D's own, so states, transforms, lights, materials, formats and vertex formats go
// straight through. Textures and surfaces are filled from the images the core decoded, shaders
// and the effect are built by D3DX from the pack's members, text is drawn by D3DX fonts with the
// core's Shift-JIS converted by code page 932. Win32 only.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "device/graphics_device.h"
#include "platform/windows/d3dx_library.h"

namespace brine {

class D3d9Surface;

// Direct3DCreate9 (d3d9.dll is part of every Windows); D3DX comes from the loaded library, which
// must outlive every system and device made here.
class D3d9GraphicsPlatform : public GraphicsPlatform {
public:
    explicit D3d9GraphicsPlatform(const D3dxLibrary& d3dx) : d3dx_(d3dx) {}
    GraphicsSystem* create_graphics_system(std::uint32_t sdkVersion) override;

private:
    const D3dxLibrary& d3dx_;
};

class D3d9GraphicsSystem : public GraphicsSystem {
public:
    D3d9GraphicsSystem(IDirect3D9* d3d, const D3dxLibrary& d3dx) : d3d_(d3d), d3dx_(d3dx) {}
    HResult get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) override;
    HResult get_device_caps(std::uint32_t adapter, std::uint32_t deviceType, DeviceCaps* caps) override;
    HResult check_device_format(std::uint32_t adapter, std::uint32_t deviceType, std::uint32_t adapterFormat,
                                std::uint32_t usage, std::uint32_t resourceType, std::uint32_t checkFormat) override;
    HResult create_device(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                          std::uint32_t behaviorFlags, const PresentParams& params, GraphicsDevice** out) override;
    void release() override;

private:
    ~D3d9GraphicsSystem();
    IDirect3D9* d3d_;
    const D3dxLibrary& d3dx_;
};

class D3d9GraphicsDevice : public GraphicsDevice {
public:
    D3d9GraphicsDevice(IDirect3DDevice9* device, const D3dxLibrary& d3dx, std::uint32_t behaviorFlags);

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
    // GetRenderTargetData into a system-memory surface, LockRect; 32-bit back buffers (what the
    // display modes of today give), invalid call for others.
    HResult read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) override;

    HResult create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, Texture** out) override;
    HResult load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) override;
    HResult create_vertex_shader(const VertexShaderSource& source, VertexShader** out) override;
    HResult create_effect(const char* text, std::uint32_t size, std::uint32_t flags, Effect** out) override;
    HResult create_font(const LogFont& description, Font** out) override;

    void release() override;

    // For tests that look at the device's own state.
    IDirect3DDevice9* d3d_device() const { return device_; }

private:
    ~D3d9GraphicsDevice() override;

    IDirect3DDevice9* device_;
    const D3dxLibrary& d3dx_;
    DWORD bufferUsage_;            // software processing wants buffers that allow it
    D3d9Surface* backBuffer_ = nullptr;  // handed out with a count, dropped before a reset
};

}  // namespace brine
