// A graphics device that draws nothing and counts what is made on it: enough for the program's
// mesh loader to build a fish's buffers away from any display (packtool's check, the mesh fuzzer).
// Must not depend on any platform header.
#pragma once
#include <cstdint>

#include "device/graphics_device.h"

namespace brine {

class CountingDevice final : public GraphicsDevice {
public:
    HResult clear(std::uint32_t, const Rect*, std::uint32_t, D3DColor, float, std::uint32_t) override { return kOk; }
    HResult begin_scene() override { return kOk; }
    HResult end_scene() override { return kOk; }
    HResult present() override { return kOk; }
    HResult reset(const PresentParams&) override { return kOk; }
    HResult set_render_state(std::uint32_t, std::uint32_t) override { return kOk; }
    HResult set_texture_stage_state(std::uint32_t, std::uint32_t, std::uint32_t) override { return kOk; }
    HResult set_transform(std::uint32_t, const Matrix&) override { return kOk; }
    HResult set_viewport(const Viewport&) override { return kOk; }
    HResult set_light(std::uint32_t, const Light&) override { return kOk; }
    HResult light_enable(std::uint32_t, bool) override { return kOk; }
    HResult set_material(const Material&) override { return kOk; }
    HResult set_texture(std::uint32_t, Texture*) override { return kOk; }
    HResult set_fvf(std::uint32_t) override { return kOk; }
    HResult set_software_vertex_processing(bool) override { return kOk; }
    HResult draw_primitive_up(std::uint32_t, std::uint32_t, const void*, std::uint32_t) override { return kOk; }
    HResult create_vertex_buffer(const void* data, std::uint32_t size, std::uint32_t fvf, VertexBuffer** out) override;
    HResult create_index_buffer(const void* data, std::uint32_t size, bool index32, IndexBuffer** out) override;
    HResult set_stream_source(VertexBuffer*, std::uint32_t) override { return kOk; }
    HResult set_indices(IndexBuffer*) override { return kOk; }
    HResult draw_indexed_primitive(std::uint32_t, std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                   std::uint32_t) override {
        return kOk;
    }
    HResult get_back_buffer(std::uint32_t, std::uint32_t, Surface**) override { return kFail; }
    HResult stretch_rect(Surface*, const Rect*, Surface*, const Rect*, std::uint32_t) override { return kFail; }
    HResult create_offscreen_plain_surface(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                           Surface**) override {
        return kFail;
    }
    HResult read_back_buffer(std::uint32_t, std::uint32_t, std::uint32_t*) override { return kFail; }
    HResult create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, Texture** out) override;
    HResult load_surface(Surface*, const DecodedImage&, D3DColor) override { return kFail; }
    HResult create_vertex_shader(const VertexShaderSource&, VertexShader**) override { return kFail; }
    HResult create_effect(const char*, std::uint32_t, std::uint32_t, Effect**) override { return kFail; }
    HResult create_font(const LogFont&, Font**) override { return kFail; }
    void release() override {}

    // What was made, and what is still alive (a loader that leaks shows as live objects).
    int vertexBuffers = 0, indexBuffers = 0, textures = 0;
    std::uint64_t vertexBytes = 0, indexBytes = 0;
    int live = 0;
};

}  // namespace brine
