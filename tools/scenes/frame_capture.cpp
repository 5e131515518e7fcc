// The capturing platform: a system and a device that pass every call through. No platform header.
#include "tools/scenes/frame_capture.h"

namespace brine::scenes {

namespace {

// Measures and ends a text as D3DX would, drawing nothing.
class SilentFont final : public Font {
public:
    HResult begin() override { return kOk; }
    int draw_text(const char*, int, Rect* rect, std::uint32_t, D3DColor) override {
        return rect ? rect->bottom - rect->top : 0;
    }
    HResult end() override { return kOk; }
    void release() override { delete this; }
};

class CaptureDevice final : public GraphicsDevice {
public:
    CaptureDevice(GraphicsDevice* inner, CapturePlatform& owner) : d_(inner), owner_(owner) {}

    HResult clear(std::uint32_t n, const Rect* r, std::uint32_t f, D3DColor c, float z, std::uint32_t s) override {
        return d_->clear(n, r, f, c, z, s);
    }
    HResult begin_scene() override { return d_->begin_scene(); }
    HResult end_scene() override { return d_->end_scene(); }
    HResult present() override {
        if (owner_.armed) {
            owner_.armed = false;
            if (!scenes::read_back_buffer(*d_, &owner_.frame)) owner_.frame = Picture{};
        }
        return d_->present();
    }
    HResult reset(const PresentParams& p) override { return d_->reset(p); }
    HResult set_render_state(std::uint32_t s, std::uint32_t v) override { return d_->set_render_state(s, v); }
    HResult set_texture_stage_state(std::uint32_t st, std::uint32_t t, std::uint32_t v) override {
        return d_->set_texture_stage_state(st, t, v);
    }
    HResult set_transform(std::uint32_t s, const Matrix& m) override { return d_->set_transform(s, m); }
    HResult set_viewport(const Viewport& v) override { return d_->set_viewport(v); }
    HResult set_light(std::uint32_t i, const Light& l) override { return d_->set_light(i, l); }
    HResult light_enable(std::uint32_t i, bool e) override { return d_->light_enable(i, e); }
    HResult set_material(const Material& m) override { return d_->set_material(m); }
    HResult set_texture(std::uint32_t s, Texture* t) override { return d_->set_texture(s, t); }
    HResult set_fvf(std::uint32_t f) override { return d_->set_fvf(f); }
    HResult set_software_vertex_processing(bool s) override { return d_->set_software_vertex_processing(s); }
    HResult draw_primitive_up(std::uint32_t t, std::uint32_t n, const void* v, std::uint32_t s) override {
        return d_->draw_primitive_up(t, n, v, s);
    }
    HResult create_vertex_buffer(const void* d, std::uint32_t n, std::uint32_t f, VertexBuffer** out) override {
        return d_->create_vertex_buffer(d, n, f, out);
    }
    HResult create_index_buffer(const void* d, std::uint32_t n, bool i32, IndexBuffer** out) override {
        return d_->create_index_buffer(d, n, i32, out);
    }
    HResult set_stream_source(VertexBuffer* b, std::uint32_t s) override { return d_->set_stream_source(b, s); }
    HResult set_indices(IndexBuffer* b) override { return d_->set_indices(b); }
    HResult draw_indexed_primitive(std::uint32_t t, std::int32_t base, std::uint32_t minIndex, std::uint32_t n,
                                   std::uint32_t start, std::uint32_t count) override {
        return d_->draw_indexed_primitive(t, base, minIndex, n, start, count);
    }
    HResult get_back_buffer(std::uint32_t c, std::uint32_t i, Surface** out) override {
        return d_->get_back_buffer(c, i, out);
    }
    HResult stretch_rect(Surface* s, const Rect* sr, Surface* d, const Rect* dr, std::uint32_t f) override {
        return d_->stretch_rect(s, sr, d, dr, f);
    }
    HResult create_offscreen_plain_surface(std::uint32_t w, std::uint32_t h, std::uint32_t f, std::uint32_t p,
                                           Surface** out) override {
        return d_->create_offscreen_plain_surface(w, h, f, p, out);
    }
    HResult read_back_buffer(std::uint32_t w, std::uint32_t h, std::uint32_t* pixels) override {
        return d_->read_back_buffer(w, h, pixels);
    }
    HResult create_texture(const DecodedImage& i, std::uint32_t m, std::uint32_t u, std::uint32_t f, std::uint32_t p,
                           Texture** out) override {
        return d_->create_texture(i, m, u, f, p, out);
    }
    HResult load_surface(Surface* s, const DecodedImage& i, D3DColor key) override { return d_->load_surface(s, i, key); }
    HResult create_vertex_shader(const VertexShaderSource& source, VertexShader** out) override {
        return d_->create_vertex_shader(source, out);
    }
    HResult create_effect(const char* t, std::uint32_t n, std::uint32_t f, Effect** out) override {
        return d_->create_effect(t, n, f, out);
    }
    HResult create_font(const LogFont& description, Font** out) override {
        if (!owner_.silentFonts) return d_->create_font(description, out);
        *out = new SilentFont();
        return kOk;
    }
    void release() override {
        d_->release();
        delete this;
    }

private:
    ~CaptureDevice() override = default;
    GraphicsDevice* d_;
    CapturePlatform& owner_;
};

class CaptureSystem final : public GraphicsSystem {
public:
    CaptureSystem(GraphicsSystem* inner, CapturePlatform& owner) : s_(inner), owner_(owner) {}
    HResult get_adapter_display_mode(std::uint32_t a, DisplayMode* m) override {
        return s_->get_adapter_display_mode(a, m);
    }
    HResult get_device_caps(std::uint32_t a, std::uint32_t t, DeviceCaps* c) override {
        return s_->get_device_caps(a, t, c);
    }
    HResult check_device_format(std::uint32_t a, std::uint32_t t, std::uint32_t af, std::uint32_t u, std::uint32_t r,
                                std::uint32_t f) override {
        return s_->check_device_format(a, t, af, u, r, f);
    }
    HResult create_device(std::uint32_t a, std::uint32_t t, WindowHandle w, std::uint32_t b, const PresentParams& p,
                          GraphicsDevice** out) override {
        GraphicsDevice* inner = nullptr;
        const HResult hr = s_->create_device(a, t, w, b, p, &inner);
        *out = succeeded(hr) && inner ? new CaptureDevice(inner, owner_) : nullptr;
        return hr;
    }
    void release() override {
        s_->release();
        delete this;
    }

private:
    ~CaptureSystem() override = default;
    GraphicsSystem* s_;
    CapturePlatform& owner_;
};

}  // namespace

GraphicsSystem* CapturePlatform::create_graphics_system(std::uint32_t sdkVersion) {
    GraphicsSystem* inner = inner_.create_graphics_system(sdkVersion);
    return inner ? new CaptureSystem(inner, *this) : nullptr;
}

bool read_back_buffer(GraphicsDevice& device, Picture* picture) {
    Surface* back = nullptr;
    if (failed(device.get_back_buffer(0, 0, &back)) || !back) return false;
    Picture read;
    read.width = back->width();
    read.height = back->height();
    back->release();
    if (read.width == 0 || read.height == 0) return false;
    read.pixels.resize(std::size_t(read.width) * read.height);
    if (failed(device.read_back_buffer(read.width, read.height, read.pixels.data()))) return false;
    *picture = std::move(read);
    return true;
}

}  // namespace brine::scenes
