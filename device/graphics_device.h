// The graphics-device boundary: the Direct3D 9 shaped subset the program calls, plus the D3DX
// creation calls that need a device (textures and surfaces from decoded images, fonts, shaders,
// effects). The core draws only through these interfaces; platform/linux implements them on
// OpenGL, tests/support records them. Numbers (states, formats, FVF) are Direct3D's own, so a
// Direct3D port is a pass-through. A new backend starts from this list.
// Objects are reference-free: whoever created one calls release() exactly once; pointers handed
// out by get_back_buffer are released by the caller too. Nothing here throws.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "device/d3d_types.h"

namespace brine {

struct DecodedImage;  // device/decoded_image.h

using WindowHandle = void*;  // the platform's window (HWND on Windows, an X11 window id on Linux)

struct DisplayMode { std::uint32_t width, height, refreshRate, format; };

// The members of D3DCAPS9 the program reads.
struct DeviceCaps {
    std::uint32_t deviceType;
    std::uint32_t adapterOrdinal;
    std::uint32_t maxVertexBlendMatrices;     // world matrices usable by fixed-function blending
    std::uint32_t maxVertexBlendMatrixIndex;
    std::uint32_t vertexShaderVersion;        // 0xFFFE0000 | major << 8 | minor
    std::uint32_t pixelShaderVersion;         // 0xFFFF0000 | major << 8 | minor
    std::uint32_t maxTextureWidth, maxTextureHeight;
    float maxPointSize;
};

struct PresentParams {  // D3DPRESENT_PARAMETERS
    std::uint32_t backBufferWidth, backBufferHeight, backBufferFormat, backBufferCount;
    std::uint32_t multiSampleType, multiSampleQuality, swapEffect;
    WindowHandle deviceWindow;
    std::int32_t windowed, enableAutoDepthStencil;
    std::uint32_t autoDepthStencilFormat, flags, fullScreenRefreshRateInHz, presentationInterval;
};

struct LogFont {  // LOGFONTA; faceName holds Shift-JIS bytes
    std::int32_t height, width, escapement, orientation, weight;
    std::uint8_t italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily;
    char faceName[32];
};

// A vertex shader as start-up builds it from an "initialize.pak" member: its assembler text (size
// bytes, not necessarily zero-terminated) and the tokens render/shader_text.h made of it.
struct VertexShaderSource {
    const char* text = nullptr;
    std::uint32_t textSize = 0;
    const std::uint32_t* tokens = nullptr;
    std::uint32_t tokenCount = 0;
};

enum FontCharSet : std::uint8_t { kShiftJisCharset = 128 };
enum FontQuality : std::uint8_t { kAntialiasedQuality = 4 };
enum DrawTextFormat : std::uint32_t { kDtNoClip = 0x100, kDtNoPrefix = 0x800 };

class GraphicsObject {
public:
    virtual void release() = 0;

protected:
    virtual ~GraphicsObject() = default;
};

class Texture : public GraphicsObject {
public:
    virtual std::uint32_t level_count() const = 0;
};

class Surface : public GraphicsObject {
public:
    virtual std::uint32_t width() const = 0;
    virtual std::uint32_t height() const = 0;
};

class VertexBuffer : public GraphicsObject {};
class IndexBuffer : public GraphicsObject {};
class VertexShader : public GraphicsObject {};
class Effect : public GraphicsObject {};

// ID3DXFont: text is Shift-JIS; the backend converts it where it meets its rasteriser.
class Font : public GraphicsObject {
public:
    virtual HResult begin() = 0;
    // count -1: up to the terminating zero. Gives the text height like DrawTextA (0 on failure).
    virtual int draw_text(const char* text, int count, Rect* rect, std::uint32_t format, D3DColor color) = 0;
    virtual HResult end() = 0;
};

// IDirect3DDevice9 and the D3DX calls that take a device.
class GraphicsDevice {
public:
    // --- frame (render_frame, every drawn frame) ---
    virtual HResult clear(std::uint32_t rectCount, const Rect* rects, std::uint32_t flags, D3DColor color,
                          float z, std::uint32_t stencil) = 0;
    virtual HResult begin_scene() = 0;
    virtual HResult end_scene() = 0;
    // The whole back buffer over the whole window. Negative: the device is lost.
    virtual HResult present() = 0;
    virtual HResult reset(const PresentParams& params) = 0;

    // --- states (render_frame, draw_scene_object, mesh drawing, camera, light) ---
    virtual HResult set_render_state(std::uint32_t state, std::uint32_t value) = 0;
    virtual HResult set_texture_stage_state(std::uint32_t stage, std::uint32_t type, std::uint32_t value) = 0;
    virtual HResult set_transform(std::uint32_t state, const Matrix& matrix) = 0;
    virtual HResult set_viewport(const Viewport& viewport) = 0;
    virtual HResult set_light(std::uint32_t index, const Light& light) = 0;
    virtual HResult light_enable(std::uint32_t index, bool enable) = 0;
    virtual HResult set_material(const Material& material) = 0;
    virtual HResult set_texture(std::uint32_t stage, Texture* texture) = 0;  // null unbinds
    virtual HResult set_fvf(std::uint32_t fvf) = 0;
    virtual HResult set_software_vertex_processing(bool software) = 0;

    // --- drawing ---
    // Vertices from memory (boards); the layout is the current FVF.
    virtual HResult draw_primitive_up(std::uint32_t type, std::uint32_t primitiveCount, const void* vertices,
                                      std::uint32_t stride) = 0;
    // Buffers the device owns, filled once at creation (meshes). The data is copied.
    virtual HResult create_vertex_buffer(const void* data, std::uint32_t size, std::uint32_t fvf,
                                         VertexBuffer** out) = 0;
    virtual HResult create_index_buffer(const void* data, std::uint32_t size, bool index32, IndexBuffer** out) = 0;
    virtual HResult set_stream_source(VertexBuffer* buffer, std::uint32_t stride) = 0;
    virtual HResult set_indices(IndexBuffer* buffer) = 0;
    virtual HResult draw_indexed_primitive(std::uint32_t type, std::int32_t baseVertexIndex, std::uint32_t minIndex,
                                           std::uint32_t numVertices, std::uint32_t startIndex,
                                           std::uint32_t primitiveCount) = 0;

    // --- surfaces (wallpaper) ---
    virtual HResult get_back_buffer(std::uint32_t swapChain, std::uint32_t index, Surface** out) = 0;
    virtual HResult stretch_rect(Surface* source, const Rect* sourceRect, Surface* dest, const Rect* destRect,
                                 std::uint32_t filter) = 0;
    virtual HResult create_offscreen_plain_surface(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                                                   std::uint32_t pool, Surface** out) = 0;

    // --- read-back (tools and tests; the program itself never reads pixels) ---
    // Copies the back buffer, the only render target, into pixels: width * height values
    // 0xAARRGGBB, top row first, no padding. width and height must be the back buffer's size
    // (get_back_buffer tells it), else invalid call. Alpha is 0xFF where the format has none
    // (X8R8G8B8). Call it after drawing and before present(); it does not change what is drawn.
    // On Direct3D 9: GetRenderTargetData into a D3DPOOL_SYSTEMMEM surface, then LockRect.
    virtual HResult read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) = 0;

    // --- D3DX creation on this device ---
    // D3DXCreateTextureFromFile*Ex with the image already decoded: mipLevels kD3DXDefault builds
    // the full chain; format is the one asked for (a DXT1 request keeps one-bit alpha).
    virtual HResult create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                                   std::uint32_t format, std::uint32_t pool, Texture** out) = 0;
    // D3DXLoadSurfaceFromFile* into a surface of the image's size, no filtering; texels equal to
    // colorKey become transparent black (0 disables the key).
    virtual HResult load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) = 0;
    // D3DXAssembleShader and CreateVertexShader: a backend with the real assembler takes the text,
    // one without takes the tokens the core's assembler made of it.
    virtual HResult create_vertex_shader(const VertexShaderSource& source, VertexShader** out) = 0;
    // D3DXCreateEffect on the member's bytes: effect text, or a compiled effect (fx_2_0).
    virtual HResult create_effect(const char* text, std::uint32_t size, std::uint32_t flags, Effect** out) = 0;
    virtual HResult create_font(const LogFont& description, Font** out) = 0;

    virtual void release() = 0;

protected:
    virtual ~GraphicsDevice() = default;
};

// IDirect3D9: adapter queries and device creation.
class GraphicsSystem {
public:
    virtual HResult get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) = 0;
    virtual HResult get_device_caps(std::uint32_t adapter, std::uint32_t deviceType, DeviceCaps* caps) = 0;
    virtual HResult check_device_format(std::uint32_t adapter, std::uint32_t deviceType, std::uint32_t adapterFormat,
                                        std::uint32_t usage, std::uint32_t resourceType,
                                        std::uint32_t checkFormat) = 0;
    virtual HResult create_device(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                                  std::uint32_t behaviorFlags, const PresentParams& params,
                                  GraphicsDevice** out) = 0;
    virtual void release() = 0;

protected:
    virtual ~GraphicsSystem() = default;
};

// Direct3DCreate9: the platform hands the core this factory; null when no graphics is available.
class GraphicsPlatform {
public:
    virtual ~GraphicsPlatform() = default;
    virtual GraphicsSystem* create_graphics_system(std::uint32_t sdkVersion) = 0;
};

}  // namespace brine
