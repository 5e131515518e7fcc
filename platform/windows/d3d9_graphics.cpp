// Pass-through of the graphics-device interface to IDirect3D9 / IDirect3DDevice9 and D3DX. The
// core's records have Direct3D's own layouts (checked below), so they are handed over as they
// are; failures are Direct3D's and D3DX's own HRESULTs.
#include "platform/windows/d3d9_graphics.h"

#include <cstring>
#include <string>
#include <vector>

#include "device/decoded_image.h"
#include "device/texture_levels.h"
#include "platform/windows/win_text.h"

namespace brine {

static_assert(sizeof(Matrix) == sizeof(D3DMATRIX), "matrices go through as they are");
static_assert(sizeof(Light) == sizeof(D3DLIGHT9), "lights go through as they are");
static_assert(sizeof(Material) == sizeof(D3DMATERIAL9), "materials go through as they are");
static_assert(sizeof(Viewport) == sizeof(D3DVIEWPORT9), "viewports go through as they are");
static_assert(sizeof(Rect) == sizeof(RECT) && sizeof(Rect) == sizeof(D3DRECT), "rectangles go through as they are");

namespace {

HResult hr_of(HRESULT hr) { return static_cast<HResult>(hr); }

// --- objects: each owns one reference of its Direct3D or D3DX object ---

class D3d9Texture final : public Texture {
public:
    explicit D3d9Texture(IDirect3DTexture9* texture) : texture(texture) {}
    void release() override {
        texture->Release();
        delete this;
    }
    std::uint32_t level_count() const override { return texture->GetLevelCount(); }
    IDirect3DTexture9* texture;
};

template <typename Interface, typename Base>
class ComObject final : public Base {
public:
    explicit ComObject(Interface* object) : object(object) {}
    void release() override {
        object->Release();
        delete this;
    }
    Interface* object;
};

using D3d9VertexBuffer = ComObject<IDirect3DVertexBuffer9, VertexBuffer>;
using D3d9IndexBuffer = ComObject<IDirect3DIndexBuffer9, IndexBuffer>;
using D3d9VertexShader = ComObject<IDirect3DVertexShader9, VertexShader>;
using D3d9Effect = ComObject<ID3DXEffect, Effect>;

// ID3DXFont with the ID3DXSprite that begin and end bracket, as the older font's Begin and End
// did: every glyph of a frame's text goes out in one batch.
class D3d9Font final : public Font {
public:
    D3d9Font(ID3DXFont* font, ID3DXSprite* sprite) : font_(font), sprite_(sprite) {}
    void release() override {
        if (inBatch_) sprite_->End();
        sprite_->Release();
        font_->Release();
        delete this;
    }
    HResult begin() override {
        const HRESULT hr = sprite_->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        inBatch_ = SUCCEEDED(hr);
        return hr_of(hr);
    }
    HResult end() override {
        if (!inBatch_) return kD3DErrInvalidCall;
        inBatch_ = false;
        return hr_of(sprite_->End());
    }
    int draw_text(const char* text, int count, Rect* rect, std::uint32_t format, D3DColor color) override {
        if (!text) return 0;
        const std::size_t bytes = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
        // The ticker draws a glyph at a time: short texts convert on the stack.
        wchar_t small[64];
        std::wstring large;
        const wchar_t* wide = small;
        int length = 0;
        if (bytes < 32) {
            length = bytes ? MultiByteToWideChar(kShiftJisCodePage, 0, text, static_cast<int>(bytes), small, 63) : 0;
        } else {
            large = sjis_to_wide(std::string_view(text, bytes));
            wide = large.c_str();
            length = static_cast<int>(large.size());
        }
        return font_->DrawTextW(inBatch_ ? sprite_ : nullptr, wide, length, reinterpret_cast<RECT*>(rect), format,
                                color);
    }

private:
    ID3DXFont* font_;
    ID3DXSprite* sprite_;
    bool inBatch_ = false;
};

}  // namespace

// The back buffer and offscreen surfaces. The device keeps one wrapper of its back buffer and
// hands it out with a count (no allocation per frame); the Direct3D surface under it is let go
// before a reset, which refuses while anyone holds it.
class D3d9Surface final : public Surface {
public:
    D3d9Surface(IDirect3DSurface9* surface, bool backBuffer) : surface(surface), backBuffer(backBuffer) {
        D3DSURFACE_DESC desc{};
        if (surface) surface->GetDesc(&desc);
        width_ = desc.Width;
        height_ = desc.Height;
        format = desc.Format;
    }
    void add_ref() { ++count_; }
    void release() override {
        if (--count_ > 0) return;
        drop();
        delete this;
    }
    void drop() {
        if (surface) surface->Release();
        surface = nullptr;
    }
    std::uint32_t width() const override { return width_; }
    std::uint32_t height() const override { return height_; }

    IDirect3DSurface9* surface;
    const bool backBuffer;
    D3DFORMAT format;

private:
    int count_ = 1;
    std::uint32_t width_, height_;
};

namespace {

D3DPRESENT_PARAMETERS to_d3d(const PresentParams& p) {
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

// A buffer in the managed pool (kept over a lost device by Direct3D itself), filled once.
template <typename Buffer>
HRESULT fill(Buffer* buffer, const void* data, std::uint32_t size) {
    void* at = nullptr;
    HRESULT hr = buffer->Lock(0, size, &at, 0);
    if (FAILED(hr)) return hr;
    std::memcpy(at, data, size);
    return buffer->Unlock();
}

}  // namespace

// --- platform and system ---

GraphicsSystem* D3d9GraphicsPlatform::create_graphics_system(std::uint32_t sdkVersion) {
    IDirect3D9* d3d = Direct3DCreate9(sdkVersion);
    return d3d ? new D3d9GraphicsSystem(d3d, d3dx_) : nullptr;
}

D3d9GraphicsSystem::~D3d9GraphicsSystem() { d3d_->Release(); }

void D3d9GraphicsSystem::release() { delete this; }

HResult D3d9GraphicsSystem::get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) {
    D3DDISPLAYMODE d{};
    const HRESULT hr = d3d_->GetAdapterDisplayMode(adapter, &d);
    if (SUCCEEDED(hr)) *mode = {d.Width, d.Height, d.RefreshRate, static_cast<std::uint32_t>(d.Format)};
    return hr_of(hr);
}

HResult D3d9GraphicsSystem::get_device_caps(std::uint32_t adapter, std::uint32_t deviceType, DeviceCaps* caps) {
    D3DCAPS9 d{};
    const HRESULT hr = d3d_->GetDeviceCaps(adapter, static_cast<D3DDEVTYPE>(deviceType), &d);
    if (FAILED(hr)) return hr_of(hr);
    caps->deviceType = d.DeviceType;
    caps->adapterOrdinal = d.AdapterOrdinal;
    caps->maxVertexBlendMatrices = d.MaxVertexBlendMatrices;
    caps->maxVertexBlendMatrixIndex = d.MaxVertexBlendMatrixIndex;
    caps->vertexShaderVersion = d.VertexShaderVersion;
    caps->pixelShaderVersion = d.PixelShaderVersion;
    caps->maxTextureWidth = d.MaxTextureWidth;
    caps->maxTextureHeight = d.MaxTextureHeight;
    caps->maxPointSize = d.MaxPointSize;
    return kOk;
}

HResult D3d9GraphicsSystem::check_device_format(std::uint32_t adapter, std::uint32_t deviceType,
                                                std::uint32_t adapterFormat, std::uint32_t usage,
                                                std::uint32_t resourceType, std::uint32_t checkFormat) {
    return hr_of(d3d_->CheckDeviceFormat(adapter, static_cast<D3DDEVTYPE>(deviceType),
                                         static_cast<D3DFORMAT>(adapterFormat), usage,
                                         static_cast<D3DRESOURCETYPE>(resourceType),
                                         static_cast<D3DFORMAT>(checkFormat)));
}

HResult D3d9GraphicsSystem::create_device(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                                          std::uint32_t behaviorFlags, const PresentParams& params,
                                          GraphicsDevice** out) {
    if (!out) return kD3DErrInvalidCall;
    *out = nullptr;
    D3DPRESENT_PARAMETERS p = to_d3d(params);
    IDirect3DDevice9* device = nullptr;
    const HRESULT hr = d3d_->CreateDevice(adapter, static_cast<D3DDEVTYPE>(deviceType),
                                          static_cast<HWND>(focusWindow), behaviorFlags, &p, &device);
    if (FAILED(hr)) return hr_of(hr);
    *out = new D3d9GraphicsDevice(device, d3dx_, behaviorFlags);
    return kOk;
}

// --- device ---

D3d9GraphicsDevice::D3d9GraphicsDevice(IDirect3DDevice9* device, const D3dxLibrary& d3dx, std::uint32_t behaviorFlags)
    : device_(device),
      d3dx_(d3dx),
      bufferUsage_(D3DUSAGE_WRITEONLY |
                   (behaviorFlags & (D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING)
                        ? D3DUSAGE_SOFTWAREPROCESSING : 0)) {}

D3d9GraphicsDevice::~D3d9GraphicsDevice() {
    if (backBuffer_) backBuffer_->release();
    device_->Release();
}

void D3d9GraphicsDevice::release() { delete this; }

HResult D3d9GraphicsDevice::clear(std::uint32_t rectCount, const Rect* rects, std::uint32_t flags, D3DColor color,
                                  float z, std::uint32_t stencil) {
    return hr_of(device_->Clear(rectCount, reinterpret_cast<const D3DRECT*>(rects), flags, color, z, stencil));
}

HResult D3d9GraphicsDevice::begin_scene() { return hr_of(device_->BeginScene()); }
HResult D3d9GraphicsDevice::end_scene() { return hr_of(device_->EndScene()); }
HResult D3d9GraphicsDevice::present() { return hr_of(device_->Present(nullptr, nullptr, nullptr, nullptr)); }

HResult D3d9GraphicsDevice::reset(const PresentParams& params) {
    if (backBuffer_) backBuffer_->drop();  // fetched again after the reset
    D3DPRESENT_PARAMETERS p = to_d3d(params);
    return hr_of(device_->Reset(&p));
}

HResult D3d9GraphicsDevice::set_render_state(std::uint32_t state, std::uint32_t value) {
    return hr_of(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value));
}

HResult D3d9GraphicsDevice::set_texture_stage_state(std::uint32_t stage, std::uint32_t type, std::uint32_t value) {
    return hr_of(device_->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value));
}

HResult D3d9GraphicsDevice::set_transform(std::uint32_t state, const Matrix& matrix) {
    return hr_of(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state),
                                       reinterpret_cast<const D3DMATRIX*>(&matrix)));
}

HResult D3d9GraphicsDevice::set_viewport(const Viewport& viewport) {
    return hr_of(device_->SetViewport(reinterpret_cast<const D3DVIEWPORT9*>(&viewport)));
}

HResult D3d9GraphicsDevice::set_light(std::uint32_t index, const Light& light) {
    return hr_of(device_->SetLight(index, reinterpret_cast<const D3DLIGHT9*>(&light)));
}

HResult D3d9GraphicsDevice::light_enable(std::uint32_t index, bool enable) {
    return hr_of(device_->LightEnable(index, enable ? TRUE : FALSE));
}

HResult D3d9GraphicsDevice::set_material(const Material& material) {
    return hr_of(device_->SetMaterial(reinterpret_cast<const D3DMATERIAL9*>(&material)));
}

HResult D3d9GraphicsDevice::set_texture(std::uint32_t stage, Texture* texture) {
    return hr_of(device_->SetTexture(stage, texture ? static_cast<D3d9Texture*>(texture)->texture : nullptr));
}

HResult D3d9GraphicsDevice::set_fvf(std::uint32_t fvf) { return hr_of(device_->SetFVF(fvf)); }

HResult D3d9GraphicsDevice::set_software_vertex_processing(bool software) {
    return hr_of(device_->SetSoftwareVertexProcessing(software ? TRUE : FALSE));
}

HResult D3d9GraphicsDevice::draw_primitive_up(std::uint32_t type, std::uint32_t primitiveCount, const void* vertices,
                                              std::uint32_t stride) {
    return hr_of(device_->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(type), primitiveCount, vertices, stride));
}

HResult D3d9GraphicsDevice::create_vertex_buffer(const void* data, std::uint32_t size, std::uint32_t fvf,
                                                 VertexBuffer** out) {
    if (!out || !data || size == 0) return kD3DErrInvalidCall;
    *out = nullptr;
    IDirect3DVertexBuffer9* buffer = nullptr;
    HRESULT hr = device_->CreateVertexBuffer(size, bufferUsage_, fvf, D3DPOOL_MANAGED, &buffer, nullptr);
    if (SUCCEEDED(hr)) hr = fill(buffer, data, size);
    if (FAILED(hr)) {
        if (buffer) buffer->Release();
        return hr_of(hr);
    }
    *out = new D3d9VertexBuffer(buffer);
    return kOk;
}

HResult D3d9GraphicsDevice::create_index_buffer(const void* data, std::uint32_t size, bool index32,
                                                IndexBuffer** out) {
    if (!out || !data || size == 0) return kD3DErrInvalidCall;
    *out = nullptr;
    IDirect3DIndexBuffer9* buffer = nullptr;
    HRESULT hr = device_->CreateIndexBuffer(size, bufferUsage_, index32 ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                            D3DPOOL_MANAGED, &buffer, nullptr);
    if (SUCCEEDED(hr)) hr = fill(buffer, data, size);
    if (FAILED(hr)) {
        if (buffer) buffer->Release();
        return hr_of(hr);
    }
    *out = new D3d9IndexBuffer(buffer);
    return kOk;
}

HResult D3d9GraphicsDevice::set_stream_source(VertexBuffer* buffer, std::uint32_t stride) {
    return hr_of(device_->SetStreamSource(0, buffer ? static_cast<D3d9VertexBuffer*>(buffer)->object : nullptr, 0,
                                          stride));
}

HResult D3d9GraphicsDevice::set_indices(IndexBuffer* buffer) {
    return hr_of(device_->SetIndices(buffer ? static_cast<D3d9IndexBuffer*>(buffer)->object : nullptr));
}

HResult D3d9GraphicsDevice::draw_indexed_primitive(std::uint32_t type, std::int32_t baseVertexIndex,
                                                   std::uint32_t minIndex, std::uint32_t numVertices,
                                                   std::uint32_t startIndex, std::uint32_t primitiveCount) {
    return hr_of(device_->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(type), baseVertexIndex, minIndex,
                                               numVertices, startIndex, primitiveCount));
}

// --- surfaces ---

HResult D3d9GraphicsDevice::get_back_buffer(std::uint32_t swapChain, std::uint32_t index, Surface** out) {
    if (!out) return kD3DErrInvalidCall;
    *out = nullptr;
    if (backBuffer_ && !backBuffer_->surface) {  // let go for a reset: fetched again
        backBuffer_->release();
        backBuffer_ = nullptr;
    }
    if (!backBuffer_ || swapChain != 0 || index != 0) {
        IDirect3DSurface9* surface = nullptr;
        const HRESULT hr = device_->GetBackBuffer(swapChain, index, D3DBACKBUFFER_TYPE_MONO, &surface);
        if (FAILED(hr)) return hr_of(hr);
        auto* wrapped = new D3d9Surface(surface, true);
        if (swapChain != 0 || index != 0) {
            *out = wrapped;
            return kOk;
        }
        backBuffer_ = wrapped;
    }
    backBuffer_->add_ref();
    *out = backBuffer_;
    return kOk;
}

HResult D3d9GraphicsDevice::stretch_rect(Surface* source, const Rect* sourceRect, Surface* dest, const Rect* destRect,
                                         std::uint32_t filter) {
    auto* src = static_cast<D3d9Surface*>(source);
    auto* dst = static_cast<D3d9Surface*>(dest);
    if (!src || !dst || !src->surface || !dst->surface) return kD3DErrInvalidCall;
    return hr_of(device_->StretchRect(src->surface, reinterpret_cast<const RECT*>(sourceRect), dst->surface,
                                      reinterpret_cast<const RECT*>(destRect),
                                      static_cast<D3DTEXTUREFILTERTYPE>(filter)));
}

HResult D3d9GraphicsDevice::create_offscreen_plain_surface(std::uint32_t width, std::uint32_t height,
                                                           std::uint32_t format, std::uint32_t pool, Surface** out) {
    if (!out) return kD3DErrInvalidCall;
    *out = nullptr;
    IDirect3DSurface9* surface = nullptr;
    const HRESULT hr = device_->CreateOffscreenPlainSurface(width, height, static_cast<D3DFORMAT>(format),
                                                            static_cast<D3DPOOL>(pool), &surface, nullptr);
    if (FAILED(hr)) return hr_of(hr);
    *out = new D3d9Surface(surface, false);
    return kOk;
}

// --- D3DX creation ---

HResult D3d9GraphicsDevice::create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                                           std::uint32_t format, std::uint32_t, Texture** out) {
    if (!out) return kD3DErrInvalidCall;
    *out = nullptr;
    if (usage & (kUsageRenderTarget | kUsageDepthStencil)) return static_cast<HResult>(D3DERR_NOTAVAILABLE);
    // The levels D3DX would make (format's alpha rule, box filter), stored as A8R8G8B8 in the
    // managed pool: the same texels as on the OpenGL device, whatever the format asked for.
    std::vector<TextureLevel> levels;
    if (!build_texture_levels(image, mipLevels, format, &levels)) return kD3DErrInvalidCall;
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = device_->CreateTexture(image.width, image.height, static_cast<UINT>(levels.size()), 0,
                                        D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    if (FAILED(hr)) return hr_of(hr);
    for (UINT i = 0; i < levels.size() && SUCCEEDED(hr); ++i) {
        D3DLOCKED_RECT locked{};
        hr = texture->LockRect(i, &locked, nullptr, 0);
        if (FAILED(hr)) break;
        for (std::uint32_t y = 0; y < levels[i].height; ++y)
            std::memcpy(static_cast<unsigned char*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch,
                        &levels[i].pixels[static_cast<std::size_t>(y) * levels[i].width], levels[i].width * 4u);
        hr = texture->UnlockRect(i);
    }
    if (FAILED(hr)) {
        texture->Release();
        return hr_of(hr);
    }
    *out = new D3d9Texture(texture);
    return kOk;
}

HResult D3d9GraphicsDevice::load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) {
    auto* surface = static_cast<D3d9Surface*>(dest);
    if (!surface || !surface->surface || surface->backBuffer) return kD3DErrInvalidCall;
    if (image.width == 0 || image.height == 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return kD3DErrInvalidCall;
    std::vector<std::uint32_t> pixels;
    load_surface_pixels(image, colorKey, surface->width(), surface->height(), &pixels);
    // D3DX converts to whatever format the surface has; no filtering, as the core asks.
    const RECT whole{0, 0, static_cast<LONG>(surface->width()), static_cast<LONG>(surface->height())};
    return hr_of(d3dx_.loadSurfaceFromMemory(surface->surface, nullptr, nullptr, pixels.data(), D3DFMT_A8R8G8B8,
                                             surface->width() * 4u, nullptr, &whole, D3DX_FILTER_NONE, 0));
}

HResult D3d9GraphicsDevice::create_vertex_shader(const VertexShaderSource& source, VertexShader** out) {
    if (!out || !source.text) return kD3DErrInvalidCall;
    *out = nullptr;
    ID3DXBuffer* code = nullptr;
    HRESULT hr = d3dx_.assembleShader(source.text, source.textSize, nullptr, nullptr, 0, &code, nullptr);
    if (FAILED(hr)) return hr_of(hr);
    IDirect3DVertexShader9* shader = nullptr;
    hr = device_->CreateVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader);
    code->Release();
    if (FAILED(hr)) return hr_of(hr);
    *out = new D3d9VertexShader(shader);
    return kOk;
}

HResult D3d9GraphicsDevice::create_effect(const char* text, std::uint32_t size, std::uint32_t flags, Effect** out) {
    if (!out || !text) return kD3DErrInvalidCall;
    *out = nullptr;
    ID3DXEffect* effect = nullptr;
    const HRESULT hr = d3dx_.createEffect(device_, text, size, nullptr, nullptr, flags, nullptr, &effect, nullptr);
    if (FAILED(hr)) return hr_of(hr);
    *out = new D3d9Effect(effect);
    return kOk;
}

HResult D3d9GraphicsDevice::create_font(const LogFont& d, Font** out) {
    if (!out) return kD3DErrInvalidCall;
    *out = nullptr;
    const std::wstring face = sjis_to_wide(std::string_view(d.faceName, strnlen(d.faceName, sizeof d.faceName)));
    ID3DXFont* font = nullptr;
    HRESULT hr = d3dx_.createFont(device_, d.height, d.width, d.weight, 1, d.italic, d.charSet, d.outPrecision,
                                  d.quality, d.pitchAndFamily, face.c_str(), &font);
    if (FAILED(hr)) return hr_of(hr);
    ID3DXSprite* sprite = nullptr;
    hr = d3dx_.createSprite(device_, &sprite);
    if (FAILED(hr)) {
        font->Release();
        return hr_of(hr);
    }
    *out = new D3d9Font(font, sprite);
    return kOk;
}

HResult D3d9GraphicsDevice::read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) {
    if (!pixels) return kD3DErrInvalidCall;
    IDirect3DSurface9* back = nullptr;
    HRESULT hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    if (FAILED(hr)) return hr_of(hr);
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    const bool opaque = desc.Format == D3DFMT_X8R8G8B8;
    IDirect3DSurface9* copy = nullptr;
    if (desc.Width != width || desc.Height != height || (!opaque && desc.Format != D3DFMT_A8R8G8B8)) {
        hr = D3DERR_INVALIDCALL;
    } else {
        hr = device_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                  nullptr);
        if (SUCCEEDED(hr)) hr = device_->GetRenderTargetData(back, copy);
    }
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(hr)) hr = copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (SUCCEEDED(hr)) {
        for (UINT y = 0; y < height; ++y) {
            std::uint32_t* row = pixels + static_cast<std::size_t>(y) * width;
            std::memcpy(row, static_cast<const unsigned char*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch,
                        width * 4u);
            if (opaque)
                for (UINT x = 0; x < width; ++x) row[x] |= 0xFF000000u;
        }
        copy->UnlockRect();
    }
    if (copy) copy->Release();
    back->Release();
    return hr_of(hr);
}

}  // namespace brine
