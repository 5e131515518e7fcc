// The stand-in Direct3D 9 platform of the scenes tool: each call of the device interface is the
// Direct3D call of the same name and numbers. Windows tool glue only.
#include "tools/scenes/d3d9_standin_windows.h"

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "device/decoded_image.h"

namespace brine::scenes {

namespace {

template <typename Interface, typename Base>
class Held final : public Base {
public:
    explicit Held(Interface* object) : object(object) {}
    void release() override {
        object->Release();
        delete this;
    }
    Interface* const object;
};

class StandInTexture final : public Texture {
public:
    explicit StandInTexture(IDirect3DTexture9* texture) : texture(texture) {}
    std::uint32_t level_count() const override { return texture->GetLevelCount(); }
    void release() override {
        texture->Release();
        delete this;
    }
    IDirect3DTexture9* const texture;
};

class StandInSurface final : public Surface {
public:
    explicit StandInSurface(IDirect3DSurface9* surface) : surface(surface) { surface->GetDesc(&desc_); }
    std::uint32_t width() const override { return desc_.Width; }
    std::uint32_t height() const override { return desc_.Height; }
    void release() override {
        surface->Release();
        delete this;
    }
    IDirect3DSurface9* const surface;

private:
    D3DSURFACE_DESC desc_{};
};

using StandInVertexBuffer = Held<IDirect3DVertexBuffer9, VertexBuffer>;
using StandInIndexBuffer = Held<IDirect3DIndexBuffer9, IndexBuffer>;
template <typename Base>
class Unseen final : public Base {
public:
    void release() override { delete this; }
};

D3DPRESENT_PARAMETERS d3d_params(const PresentParams& p) {
    D3DPRESENT_PARAMETERS d{};
    d.BackBufferWidth = p.backBufferWidth;
    d.BackBufferHeight = p.backBufferHeight;
    d.BackBufferFormat = static_cast<D3DFORMAT>(p.backBufferFormat);
    d.BackBufferCount = p.backBufferCount;
    d.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(p.multiSampleType);
    d.MultiSampleQuality = p.multiSampleQuality;
    d.SwapEffect = static_cast<D3DSWAPEFFECT>(p.swapEffect);
    d.hDeviceWindow = static_cast<HWND>(p.deviceWindow);
    d.Windowed = p.windowed;
    d.EnableAutoDepthStencil = p.enableAutoDepthStencil;
    d.AutoDepthStencilFormat = static_cast<D3DFORMAT>(p.autoDepthStencilFormat);
    d.Flags = p.flags;
    d.FullScreen_RefreshRateInHz = p.fullScreenRefreshRateInHz;
    d.PresentationInterval = p.presentationInterval;
    return d;
}

D3DMATRIX d3d_matrix(const Matrix& m) {
    D3DMATRIX d;
    std::memcpy(&d, &m, sizeof d);
    return d;
}

// Fills one level of a texture from 0xAARRGGBB texels, converting to its format (DXT1 included).
HRESULT fill_level(IDirect3DTexture9* texture, UINT level, const std::uint32_t* pixels, UINT width, UINT height) {
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = texture->GetSurfaceLevel(level, &surface);
    if (FAILED(hr)) return hr;
    const RECT source{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    hr = D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, pixels, D3DFMT_A8R8G8B8, width * 4, nullptr, &source,
                                   D3DX_FILTER_NONE, 0);
    surface->Release();
    return hr;
}

// The next level down of a w x h level: each texel the mean of the (up to four) it covers.
std::vector<std::uint32_t> halve(const std::vector<std::uint32_t>& level, UINT w, UINT h) {
    const UINT hw = std::max(1u, w / 2), hh = std::max(1u, h / 2);
    std::vector<std::uint32_t> out(std::size_t(hw) * hh);
    for (UINT y = 0; y < hh; ++y)
        for (UINT x = 0; x < hw; ++x) {
            std::uint32_t sum[4] = {}, n = 0;
            for (UINT dy = 0; dy < 2; ++dy)
                for (UINT dx = 0; dx < 2; ++dx) {
                    const UINT sx = std::min(w - 1, 2 * x + dx), sy = std::min(h - 1, 2 * y + dy);
                    const std::uint32_t t = level[std::size_t(sy) * w + sx];
                    for (int c = 0; c < 4; ++c) sum[c] += (t >> (8 * c)) & 0xFF;
                    ++n;
                }
            std::uint32_t texel = 0;
            for (int c = 0; c < 4; ++c) texel |= ((sum[c] + n / 2) / n) << (8 * c);
            out[std::size_t(y) * hw + x] = texel;
        }
    return out;
}

class StandInDevice final : public GraphicsDevice {
public:
    explicit StandInDevice(IDirect3DDevice9* device) : d_(device) {}

    HResult clear(std::uint32_t n, const Rect* r, std::uint32_t f, D3DColor c, float z, std::uint32_t s) override {
        return d_->Clear(n, reinterpret_cast<const D3DRECT*>(r), f, c, z, s);
    }
    HResult begin_scene() override { return d_->BeginScene(); }
    HResult end_scene() override { return d_->EndScene(); }
    HResult present() override { return d_->Present(nullptr, nullptr, nullptr, nullptr); }
    HResult reset(const PresentParams& p) override {
        D3DPRESENT_PARAMETERS d = d3d_params(p);
        return d_->Reset(&d);
    }
    HResult set_render_state(std::uint32_t s, std::uint32_t v) override {
        return d_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s), v);
    }
    HResult set_texture_stage_state(std::uint32_t stage, std::uint32_t t, std::uint32_t v) override {
        return d_->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(t), v);
    }
    HResult set_transform(std::uint32_t s, const Matrix& m) override {
        const D3DMATRIX d = d3d_matrix(m);
        return d_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(s), &d);
    }
    HResult set_viewport(const Viewport& v) override {
        const D3DVIEWPORT9 d{v.x, v.y, v.width, v.height, v.minZ, v.maxZ};
        return d_->SetViewport(&d);
    }
    HResult set_light(std::uint32_t i, const Light& l) override {
        D3DLIGHT9 d;
        static_assert(sizeof d == sizeof l, "D3DLIGHT9 layout");
        std::memcpy(&d, &l, sizeof d);
        return d_->SetLight(i, &d);
    }
    HResult light_enable(std::uint32_t i, bool e) override { return d_->LightEnable(i, e); }
    HResult set_material(const Material& m) override {
        D3DMATERIAL9 d;
        static_assert(sizeof d == sizeof m, "D3DMATERIAL9 layout");
        std::memcpy(&d, &m, sizeof d);
        return d_->SetMaterial(&d);
    }
    HResult set_texture(std::uint32_t s, Texture* t) override {
        return d_->SetTexture(s, t ? static_cast<StandInTexture*>(t)->texture : nullptr);
    }
    HResult set_fvf(std::uint32_t f) override { return d_->SetFVF(f); }
    HResult set_software_vertex_processing(bool s) override { return d_->SetSoftwareVertexProcessing(s); }
    HResult draw_primitive_up(std::uint32_t t, std::uint32_t n, const void* v, std::uint32_t s) override {
        return d_->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(t), n, v, s);
    }
    HResult create_vertex_buffer(const void* data, std::uint32_t size, std::uint32_t fvf, VertexBuffer** out) override {
        *out = nullptr;
        IDirect3DVertexBuffer9* vb = nullptr;
        HRESULT hr = d_->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb, nullptr);
        if (FAILED(hr)) return hr;
        void* p = nullptr;
        if (SUCCEEDED(hr = vb->Lock(0, size, &p, 0))) {
            std::memcpy(p, data, size);
            vb->Unlock();
            *out = new StandInVertexBuffer(vb);
        } else {
            vb->Release();
        }
        return hr;
    }
    HResult create_index_buffer(const void* data, std::uint32_t size, bool index32, IndexBuffer** out) override {
        *out = nullptr;
        IDirect3DIndexBuffer9* ib = nullptr;
        HRESULT hr = d_->CreateIndexBuffer(size, D3DUSAGE_WRITEONLY, index32 ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                           D3DPOOL_MANAGED, &ib, nullptr);
        if (FAILED(hr)) return hr;
        void* p = nullptr;
        if (SUCCEEDED(hr = ib->Lock(0, size, &p, 0))) {
            std::memcpy(p, data, size);
            ib->Unlock();
            *out = new StandInIndexBuffer(ib);
        } else {
            ib->Release();
        }
        return hr;
    }
    HResult set_stream_source(VertexBuffer* b, std::uint32_t stride) override {
        return d_->SetStreamSource(0, b ? static_cast<StandInVertexBuffer*>(b)->object : nullptr, 0, stride);
    }
    HResult set_indices(IndexBuffer* b) override {
        return d_->SetIndices(b ? static_cast<StandInIndexBuffer*>(b)->object : nullptr);
    }
    HResult draw_indexed_primitive(std::uint32_t t, std::int32_t base, std::uint32_t minIndex, std::uint32_t n,
                                   std::uint32_t start, std::uint32_t count) override {
        return d_->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(t), base, minIndex, n, start, count);
    }
    HResult get_back_buffer(std::uint32_t chain, std::uint32_t i, Surface** out) override {
        *out = nullptr;
        IDirect3DSurface9* s = nullptr;
        const HRESULT hr = d_->GetBackBuffer(chain, i, D3DBACKBUFFER_TYPE_MONO, &s);
        if (SUCCEEDED(hr)) *out = new StandInSurface(s);
        return hr;
    }
    HResult stretch_rect(Surface* s, const Rect* sr, Surface* d, const Rect* dr, std::uint32_t f) override {
        return d_->StretchRect(static_cast<StandInSurface*>(s)->surface, reinterpret_cast<const RECT*>(sr),
                               static_cast<StandInSurface*>(d)->surface, reinterpret_cast<const RECT*>(dr),
                               static_cast<D3DTEXTUREFILTERTYPE>(f));
    }
    HResult create_offscreen_plain_surface(std::uint32_t w, std::uint32_t h, std::uint32_t f, std::uint32_t pool,
                                           Surface** out) override {
        *out = nullptr;
        IDirect3DSurface9* s = nullptr;
        const HRESULT hr = d_->CreateOffscreenPlainSurface(w, h, static_cast<D3DFORMAT>(f), static_cast<D3DPOOL>(pool),
                                                           &s, nullptr);
        if (SUCCEEDED(hr)) *out = new StandInSurface(s);
        return hr;
    }
    HResult read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) override {
        IDirect3DSurface9* target = nullptr;
        HRESULT hr = d_->GetRenderTarget(0, &target);
        if (FAILED(hr)) return hr;
        D3DSURFACE_DESC desc{};
        target->GetDesc(&desc);
        IDirect3DSurface9* copy = nullptr;
        if (!pixels || desc.Width != width || desc.Height != height ||
            (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8)) {
            hr = D3DERR_INVALIDCALL;
        } else if (SUCCEEDED(hr = d_->CreateOffscreenPlainSurface(width, height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                                  nullptr)) &&
                   SUCCEEDED(hr = d_->GetRenderTargetData(target, copy))) {
            D3DLOCKED_RECT locked{};
            if (SUCCEEDED(hr = copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
                const std::uint32_t opaque = desc.Format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
                for (std::uint32_t y = 0; y < height; ++y) {
                    const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(locked.pBits) +
                                                                             std::size_t(y) * locked.Pitch);
                    for (std::uint32_t x = 0; x < width; ++x) pixels[std::size_t(y) * width + x] = row[x] | opaque;
                }
                copy->UnlockRect();
            }
        }
        if (copy) copy->Release();
        target->Release();
        return hr;
    }
    HResult create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, Texture** out) override {
        *out = nullptr;
        if (image.width == 0 || image.height == 0 ||
            image.pixels.size() != std::size_t(image.width) * image.height)
            return D3DERR_INVALIDCALL;
        IDirect3DTexture9* texture = nullptr;
        HRESULT hr = d_->CreateTexture(image.width, image.height, mipLevels == kD3DXDefault ? 0 : mipLevels, usage,
                                       static_cast<D3DFORMAT>(format), static_cast<D3DPOOL>(pool), &texture, nullptr);
        if (FAILED(hr)) return hr;
        // Levels the file did not hold are box-filtered here: Wine's D3DXFilterTexture cannot read
        // back compressed levels.
        const bool compressed = format == kFmtDxt1 || format == kFmtDxt3 || format == kFmtDxt5;
        std::vector<std::uint32_t> level = image.pixels;
        UINT w = image.width, h = image.height;
        for (UINT i = 0; SUCCEEDED(hr) && i < texture->GetLevelCount(); ++i) {
            if (i > 0 && i - 1 < image.mips.size()) level = image.mips[i - 1];
            else if (i > 0) level = halve(level, w, h);
            if (i > 0) w = std::max(1u, w / 2), h = std::max(1u, h / 2);
            // Wine's D3DX cannot write a compressed level smaller than a block; nothing samples it.
            if (compressed && (w < 4 || h < 4)) break;
            hr = fill_level(texture, i, level.data(), w, h);
        }
        if (FAILED(hr)) {
            texture->Release();
            return hr;
        }
        *out = new StandInTexture(texture);
        return hr;
    }
    HResult load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) override {
        const RECT source{0, 0, static_cast<LONG>(image.width), static_cast<LONG>(image.height)};
        return D3DXLoadSurfaceFromMemory(static_cast<StandInSurface*>(dest)->surface, nullptr, nullptr,
                                         image.pixels.data(), D3DFMT_A8R8G8B8, image.width * 4, nullptr, &source,
                                         D3DX_FILTER_NONE, colorKey);
    }
    // The core's assembler keeps one token per instruction (its opcode only), no stream Direct3D
    // could run; the effect text is one Wine 8's compiler refuses. No drawing path binds either:
    // both are kept unseen, as the OpenGL device does.
    HResult create_vertex_shader(const std::uint32_t*, std::uint32_t, VertexShader** out) override {
        *out = new Unseen<VertexShader>();
        return D3D_OK;
    }
    HResult create_effect(const char*, std::uint32_t, std::uint32_t, Effect** out) override {
        *out = new Unseen<Effect>();
        return D3D_OK;
    }
    HResult create_font(const LogFont&, Font** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    void release() override {
        d_->Release();
        delete this;
    }

private:
    ~StandInDevice() override = default;
    IDirect3DDevice9* d_;
};

class StandInSystem final : public GraphicsSystem {
public:
    explicit StandInSystem(IDirect3D9* d3d) : d3d_(d3d) {}
    HResult get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) override {
        D3DDISPLAYMODE d{};
        const HRESULT hr = d3d_->GetAdapterDisplayMode(adapter, &d);
        if (SUCCEEDED(hr)) *mode = DisplayMode{d.Width, d.Height, d.RefreshRate, static_cast<std::uint32_t>(d.Format)};
        return hr;
    }
    HResult get_device_caps(std::uint32_t adapter, std::uint32_t type, DeviceCaps* caps) override {
        D3DCAPS9 d{};
        const HRESULT hr = d3d_->GetDeviceCaps(adapter, static_cast<D3DDEVTYPE>(type), &d);
        if (FAILED(hr)) return hr;
        caps->deviceType = d.DeviceType;
        caps->adapterOrdinal = d.AdapterOrdinal;
        caps->maxVertexBlendMatrices = d.MaxVertexBlendMatrices;
        caps->maxVertexBlendMatrixIndex = d.MaxVertexBlendMatrixIndex;
        caps->vertexShaderVersion = d.VertexShaderVersion;
        caps->pixelShaderVersion = d.PixelShaderVersion;
        caps->maxTextureWidth = d.MaxTextureWidth;
        caps->maxTextureHeight = d.MaxTextureHeight;
        caps->maxPointSize = d.MaxPointSize;
        return hr;
    }
    HResult check_device_format(std::uint32_t adapter, std::uint32_t type, std::uint32_t adapterFormat,
                                std::uint32_t usage, std::uint32_t resourceType, std::uint32_t format) override {
        return d3d_->CheckDeviceFormat(adapter, static_cast<D3DDEVTYPE>(type), static_cast<D3DFORMAT>(adapterFormat),
                                       usage, static_cast<D3DRESOURCETYPE>(resourceType),
                                       static_cast<D3DFORMAT>(format));
    }
    HResult create_device(std::uint32_t adapter, std::uint32_t type, WindowHandle focus, std::uint32_t behavior,
                          const PresentParams& params, GraphicsDevice** out) override {
        *out = nullptr;
        D3DPRESENT_PARAMETERS d = d3d_params(params);
        IDirect3DDevice9* device = nullptr;
        const HRESULT hr = d3d_->CreateDevice(adapter, static_cast<D3DDEVTYPE>(type), static_cast<HWND>(focus),
                                              behavior, &d, &device);
        if (SUCCEEDED(hr)) *out = new StandInDevice(device);
        return hr;
    }
    void release() override {
        d3d_->Release();
        delete this;
    }

private:
    ~StandInSystem() override = default;
    IDirect3D9* d3d_;
};

}  // namespace

GraphicsSystem* StandInD3d9Platform::create_graphics_system(std::uint32_t) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    return d3d ? new StandInSystem(d3d) : nullptr;
}

}  // namespace brine::scenes
