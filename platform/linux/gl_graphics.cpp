#include "platform/linux/gl_graphics.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "device/decoded_image.h"
#include "platform/linux/fvf_layout.h"
#include "platform/linux/gl_device_core.h"
#include "platform/linux/gl_fixed_function.h"
#include "platform/linux/gl_font.h"
#include "device/texture_levels.h"

namespace brine {

namespace {

constexpr std::uint32_t kRenderStateCount = 256;
constexpr std::uint32_t kStageStateCount = 33;
constexpr std::uint32_t kStageCount = 4;
constexpr std::uint32_t kBlendMatrices = 4;

// Render states Direct3D 9 knows beyond those named in d3d_types.h.
constexpr std::uint32_t kRsZFunc = 23;
constexpr std::uint32_t kRsColorVertex = 141;
constexpr std::uint32_t kVbf0Weights = 256, kVbfTweening = 255;
constexpr std::uint32_t kPresentIntervalImmediate = 0x80000000u;
constexpr std::uint32_t kFmtD24X8 = 77, kFmtD32 = 71, kFmtD15S1 = 73, kFmtD24X4S4 = 79;
constexpr std::uint32_t kFmtA2R10G10B10 = 35;
constexpr std::uint32_t kVertexShaderEnd = 0x0000FFFF;

float bits_to_float(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::uint32_t float_to_bits(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

Matrix identity_matrix() {
    Matrix m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix c{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            c.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return c;
}

// Inverse transpose of the upper 3x3, row-major, so that n' = n * result as Direct3D transforms
// normals; zero for a singular matrix.
void normal_matrix(const Matrix& m, float out[9]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float co00 = e * i - f * h, co01 = -(d * i - f * g), co02 = d * h - e * g;
    const float co10 = -(b * i - c * h), co11 = a * i - c * g, co12 = -(a * h - b * g);
    const float co20 = b * f - c * e, co21 = -(a * f - c * d), co22 = a * e - b * d;
    const float det = a * co00 + b * co01 + c * co02;
    if (det == 0.0f || !std::isfinite(det)) {
        std::fill(out, out + 9, 0.0f);
        return;
    }
    // inverse = adjugate / det = cofactor^T / det, so its transpose is cofactor / det.
    const float s = 1.0f / det;
    const float co[9] = {co00, co01, co02, co10, co11, co12, co20, co21, co22};
    for (int k = 0; k < 9; ++k) out[k] = co[k] * s;
}

GLenum gl_blend(std::uint32_t blend) {
    switch (blend) {
        case 1: return GL_ZERO;
        case 2: return GL_ONE;
        case 3: return GL_SRC_COLOR;
        case 4: return GL_ONE_MINUS_SRC_COLOR;
        case 5: return GL_SRC_ALPHA;
        case 6: return GL_ONE_MINUS_SRC_ALPHA;
        case 7: return GL_DST_ALPHA;
        case 8: return GL_ONE_MINUS_DST_ALPHA;
        case 9: return GL_DST_COLOR;
        case 10: return GL_ONE_MINUS_DST_COLOR;
        case 11: return GL_SRC_ALPHA_SATURATE;
        default: return GL_ONE;
    }
}

GLenum gl_compare(std::uint32_t cmp) {
    return (cmp >= 1 && cmp <= 8) ? GL_NEVER + (cmp - 1) : GL_LEQUAL;
}

// GL primitive and vertex count for a Direct3D primitive type and count; false for unknown types.
bool primitive_shape(std::uint32_t type, std::uint32_t count, GLenum* mode, std::uint64_t* vertices) {
    const std::uint64_t n = count;
    switch (type) {
        case 1: *mode = GL_POINTS; *vertices = n; return true;
        case 2: *mode = GL_LINES; *vertices = n * 2; return true;
        case 3: *mode = GL_LINE_STRIP; *vertices = n + 1; return true;
        case 4: *mode = GL_TRIANGLES; *vertices = n * 3; return true;
        case 5: *mode = GL_TRIANGLE_STRIP; *vertices = n + 2; return true;
        case 6: *mode = GL_TRIANGLE_FAN; *vertices = n + 2; return true;
        default: return false;
    }
}

bool is_colour_format(std::uint32_t format) {
    switch (format) {
        case kFmtA8R8G8B8: case kFmtX8R8G8B8: case kFmtR8G8B8: case kFmtR5G6B5:
        case kFmtX1R5G5B5: case kFmtA1R5G5B5: case kFmtA4R4G4B4:
            return true;
        default:
            return false;
    }
}

bool is_depth_format(std::uint32_t format) {
    return format == kFmtD24S8 || format == kFmtD16 || format == kFmtD24X8 || format == kFmtD32 ||
           format == kFmtD15S1 || format == kFmtD24X4S4;
}

}  // namespace

// --- objects ---

class GlTexture : public Texture {
public:
    GlTexture(std::shared_ptr<GlDeviceCore> core, GLuint name, std::uint32_t levels)
        : name(name), core_(std::move(core)), levels_(levels) {}
    std::uint32_t level_count() const override { return levels_; }
    void release() override {
        for (GlTexture*& bound : core_->boundTextures)
            if (bound == this) bound = nullptr;
        if (core_->ensure_current()) {
            core_->gl->glDeleteTextures(1, &name);
            core_->object_deleted();
        }
        delete this;
    }
    const std::shared_ptr<GlDeviceCore>& core() const { return core_; }

    const GLuint name;

private:
    ~GlTexture() override = default;
    std::shared_ptr<GlDeviceCore> core_;
    std::uint32_t levels_;
};

class GlVertexBuffer : public VertexBuffer {
public:
    GlVertexBuffer(std::shared_ptr<GlDeviceCore> core, GLuint name, std::uint32_t size)
        : name(name), size(size), core_(std::move(core)) {}
    void release() override {
        if (core_->boundVertexBuffer == this) core_->boundVertexBuffer = nullptr;
        if (core_->ensure_current()) {
            core_->gl->glDeleteBuffers(1, &name);
            core_->object_deleted();
        }
        delete this;
    }
    const std::shared_ptr<GlDeviceCore>& core() const { return core_; }

    const GLuint name;
    const std::uint32_t size;

private:
    ~GlVertexBuffer() override = default;
    std::shared_ptr<GlDeviceCore> core_;
};

class GlIndexBuffer : public IndexBuffer {
public:
    GlIndexBuffer(std::shared_ptr<GlDeviceCore> core, GLuint name, std::uint32_t count, bool index32)
        : name(name), count(count), index32(index32), core_(std::move(core)) {}
    void release() override {
        if (core_->boundIndexBuffer == this) core_->boundIndexBuffer = nullptr;
        if (core_->ensure_current()) {
            core_->gl->glDeleteBuffers(1, &name);
            core_->object_deleted();
        }
        delete this;
    }
    const std::shared_ptr<GlDeviceCore>& core() const { return core_; }

    const GLuint name;
    const std::uint32_t count;
    const bool index32;

private:
    ~GlIndexBuffer() override = default;
    std::shared_ptr<GlDeviceCore> core_;
};

// The back buffer (one shared object, counted, naming whatever framebuffer the device has now) or
// an offscreen plain surface (a texture with a framebuffer to blit from).
class GlSurface : public Surface {
public:
    GlSurface(std::shared_ptr<GlDeviceCore> core, bool backBuffer) : backBuffer(backBuffer), core_(std::move(core)) {}
    std::uint32_t width() const override { return backBuffer ? core_->backBufferWidth : width_; }
    std::uint32_t height() const override { return backBuffer ? core_->backBufferHeight : height_; }
    void release() override {
        if (backBuffer && --refs_ > 0) return;
        if (!backBuffer && core_->ensure_current()) {
            core_->state.bind_read_framebuffer(0);
            core_->gl->glDeleteFramebuffers(1, &fbo);
            core_->gl->glDeleteTextures(1, &texture);
            core_->object_deleted();
        }
        delete this;
    }
    void add_ref() { ++refs_; }
    const std::shared_ptr<GlDeviceCore>& core() const { return core_; }
    void set_size(std::uint32_t w, std::uint32_t h) { width_ = w; height_ = h; }

    const bool backBuffer;
    GLuint texture = 0, fbo = 0;
    std::uint32_t format = 0;
    std::uint64_t contentId = 0;  // new whenever the pixels change

private:
    ~GlSurface() override = default;
    std::shared_ptr<GlDeviceCore> core_;
    std::uint32_t width_ = 0, height_ = 0;
    int refs_ = 1;
};

// Created and kept; no drawing path binds them.
class GlVertexShader : public VertexShader {
public:
    GlVertexShader(const std::uint32_t* tokens, std::uint32_t count) : tokens_(tokens, tokens + count) {}
    void release() override { delete this; }

private:
    ~GlVertexShader() override = default;
    std::vector<std::uint32_t> tokens_;
};

class GlEffect : public Effect {
public:
    GlEffect(const char* text, std::uint32_t size) : text_(text, size) {}
    void release() override { delete this; }

private:
    ~GlEffect() override = default;
    std::string text_;
};

// --- device state ---

struct VertexArrayLayout {
    GLuint vao = 0;
    GLuint buffer = 0;
    GLuint indexBuffer = 0;
    std::uint32_t fvf = ~0u, stride = 0, generation = ~0u;
};

struct GlDeviceState {
    FixedFunctionProgram program;
    VertexArrayLayout streamArrays, bufferArrays;

    std::uint32_t render[kRenderStateCount] = {};
    std::uint32_t stage[kStageCount][kStageStateCount] = {};
    Matrix world[kBlendMatrices], view, projection;
    Matrix worldView[kBlendMatrices];
    float normals[kBlendMatrices][9] = {};
    Light light{};
    bool lightEnabled = false;
    Material material{};
    std::uint32_t fvf = 0;
    FvfLayout layout;
    bool layoutValid = false;
    std::uint32_t streamStride = 0;
    bool softwareVertexProcessing = false;

    // What the program's uniforms hold, so that only changes are sent.
    std::uint32_t staleMatrices = 0xF;  // bit k: worldView[k] must be recomputed
    std::uint32_t sentMatrices = 0;     // bit k: uniform k is up to date
    bool projectionDirty = true, materialDirty = true, lightDirty = true;
    int sent[16];
    float sentPixelCentre[2] = {0, 0};
    bool warned[kRenderStateCount] = {};
};

enum SentInt {
    kSentWeightCount, kSentHasNormal, kSentHasDiffuse, kSentLighting, kSentNormalize, kSentFlat, kSentTextureBound,
    kSentColourOp, kSentColourArg1, kSentColourArg2, kSentAlphaOp, kSentAlphaArg1, kSentAlphaArg2, kSentRemapDepth,
    kSentOpaqueAlpha, kSentCount
};

// --- platform and system ---

GraphicsSystem* GlGraphicsPlatform::create_graphics_system(std::uint32_t sdkVersion) {
    if (sdkVersion != kD3DSdkVersion && sdkVersion != kD3DSdkVersion + 1) return nullptr;
    if (!qGuiApp) return nullptr;
    // A throw-away context tells whether OpenGL 3.3 core is there at all, and its limits.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create() || context.format().version() < qMakePair(3, 3)) return nullptr;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface)) return nullptr;
    QOpenGLFunctions* f = context.functions();
    GLint maxTexture = 0, maxRenderbuffer = 0;
    GLfloat pointRange[2] = {1.0f, 1.0f};
    f->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    f->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    f->glGetFloatv(GL_POINT_SIZE_RANGE, pointRange);
    context.doneCurrent();
    GlLimits limits;
    limits.maxTextureSize = static_cast<std::uint32_t>(std::max(maxTexture, 0));
    limits.maxRenderbufferSize = static_cast<std::uint32_t>(std::max(maxRenderbuffer, 0));
    limits.maxPointSize = std::min(pointRange[1], 256.0f);
    if (limits.maxTextureSize < 1024 || limits.maxRenderbufferSize < 1024) return nullptr;
    return new GlGraphicsSystem(limits);
}

HResult GlGraphicsSystem::get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) {
    if (adapter != 0 || !mode) return kD3dErrInvalidCall;
    QScreen* screen = qGuiApp ? qGuiApp->primaryScreen() : nullptr;
    if (!screen) return kD3dErrNotAvailable;
    const qreal ratio = screen->devicePixelRatio();
    mode->width = static_cast<std::uint32_t>(std::lround(screen->geometry().width() * ratio));
    mode->height = static_cast<std::uint32_t>(std::lround(screen->geometry().height() * ratio));
    mode->refreshRate = static_cast<std::uint32_t>(std::lround(screen->refreshRate()));
    mode->format = screen->depth() == 16 ? kFmtR5G6B5 : kFmtX8R8G8B8;
    return kOk;
}

HResult GlGraphicsSystem::get_device_caps(std::uint32_t adapter, std::uint32_t deviceType, DeviceCaps* caps) {
    if (adapter != 0 || !caps || (deviceType != kDevTypeHal && deviceType != kDevTypeRef)) return kD3dErrInvalidCall;
    *caps = DeviceCaps{};
    caps->deviceType = deviceType;
    caps->adapterOrdinal = 0;
    caps->maxVertexBlendMatrices = kBlendMatrices;
    caps->maxVertexBlendMatrixIndex = 0;  // no indexed blending
    caps->vertexShaderVersion = 0xFFFE0101;
    caps->pixelShaderVersion = 0xFFFF0101;
    caps->maxTextureWidth = caps->maxTextureHeight = limits_.maxTextureSize;
    caps->maxPointSize = limits_.maxPointSize;
    return kOk;
}

HResult GlGraphicsSystem::check_device_format(std::uint32_t adapter, std::uint32_t deviceType,
                                              std::uint32_t adapterFormat, std::uint32_t usage,
                                              std::uint32_t resourceType, std::uint32_t checkFormat) {
    if (adapter != 0 || (deviceType != kDevTypeHal && deviceType != kDevTypeRef)) return kD3dErrInvalidCall;
    if (adapterFormat != kFmtX8R8G8B8 && adapterFormat != kFmtR5G6B5 && adapterFormat != kFmtX1R5G5B5 &&
        adapterFormat != kFmtA2R10G10B10)
        return kD3dErrInvalidCall;
    if (usage & kUsageDepthStencil)
        return (resourceType == kRtypeSurface && is_depth_format(checkFormat)) ? kOk : kD3dErrNotAvailable;
    if (usage & kUsageRenderTarget)  // only the back buffer renders
        return (resourceType == kRtypeSurface && (checkFormat == kFmtX8R8G8B8 || checkFormat == kFmtA8R8G8B8))
                   ? kOk : kD3dErrNotAvailable;
    const bool compressed = checkFormat == kFmtDxt1 || checkFormat == kFmtDxt3 || checkFormat == kFmtDxt5;
    return (is_colour_format(checkFormat) || compressed) ? kOk : kD3dErrNotAvailable;
}

HResult GlGraphicsSystem::create_device(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                                        std::uint32_t behaviorFlags, const PresentParams& params,
                                        GraphicsDevice** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    if (adapter != 0 || (deviceType != kDevTypeHal && deviceType != kDevTypeRef)) return kD3dErrInvalidCall;
    const std::uint32_t processing = behaviorFlags & (kCreateSoftwareVertexProcessing |
                                                      kCreateHardwareVertexProcessing | kCreateMixedVertexProcessing);
    if (processing != kCreateSoftwareVertexProcessing && processing != kCreateHardwareVertexProcessing &&
        processing != kCreateMixedVertexProcessing)
        return kD3dErrInvalidCall;
    GlGraphicsDevice* device = nullptr;
    HResult hr = GlGraphicsDevice::create(limits_, params.deviceWindow ? params.deviceWindow : focusWindow, params,
                                          &device);
    if (failed(hr)) return hr;
    *out = device;
    return kOk;
}

// --- device: creation and frame ---

GlGraphicsDevice::GlGraphicsDevice(std::shared_ptr<GlDeviceCore> core, const GlLimits& limits,
                                   const PresentParams& params)
    : core_(std::move(core)), limits_(limits), params_(params), state_(new GlDeviceState()) {}

GlGraphicsDevice::~GlGraphicsDevice() = default;

HResult GlGraphicsDevice::check_present_params(const PresentParams& params, std::uint32_t* width,
                                               std::uint32_t* height) const {
    if (!params.windowed || params.multiSampleType != 0) return kD3dErrNotAvailable;
    if (params.backBufferCount > 3) return kD3dErrInvalidCall;
    if (params.backBufferFormat != kFmtUnknown && !is_colour_format(params.backBufferFormat))
        return kD3dErrInvalidCall;
    if (params.enableAutoDepthStencil && !is_depth_format(params.autoDepthStencilFormat)) return kD3dErrInvalidCall;
    std::uint32_t w = params.backBufferWidth, h = params.backBufferHeight;
    if (w == 0 || h == 0) {  // a windowed device takes the window's size for zero
        std::uint32_t ww = 0, wh = 0;
        if (!core_->window_size(&ww, &wh)) return kD3dErrInvalidCall;
        if (w == 0) w = ww;
        if (h == 0) h = wh;
    }
    const std::uint32_t limit = std::min(limits_.maxTextureSize, limits_.maxRenderbufferSize);
    if (w == 0 || h == 0 || w > limit || h > limit) return kD3dErrInvalidCall;
    *width = w;
    *height = h;
    return kOk;
}

HResult GlGraphicsDevice::create(const GlLimits& limits, WindowHandle window, const PresentParams& params,
                                 GlGraphicsDevice** out) {
    *out = nullptr;
    GlDeviceCore::Options options;
    options.window = window;
    options.vsync = params.presentationInterval != kPresentIntervalImmediate;
    HResult hr = kFail;
    std::shared_ptr<GlDeviceCore> core = GlDeviceCore::create(options, &hr);
    if (!core) return hr;
    GlGraphicsDevice* device = new GlGraphicsDevice(core, limits, params);
    std::uint32_t width = 0, height = 0;
    hr = device->check_present_params(params, &width, &height);
    if (succeeded(hr) && !device->init()) hr = kD3dErrNotAvailable;
    if (succeeded(hr) && !core->create_back_buffer(width, height, params.autoDepthStencilFormat == kFmtD16))
        hr = kD3dErrOutOfVideoMemory;
    if (failed(hr)) {
        device->release();
        return hr;
    }
    device->reset_states();
    *out = device;
    return kOk;
}

bool GlGraphicsDevice::init() {
    GlFunctions* gl = core_->gl;
    if (!state_->program.build(gl)) return false;
    gl->glGenVertexArrays(1, &state_->streamArrays.vao);
    gl->glGenVertexArrays(1, &state_->bufferArrays.vao);
    // Attributes a format lacks read these constants: no weights, no normal, white, (0, 0).
    QOpenGLFunctions* common = core_->context()->functions();
    common->glVertexAttrib4f(kAttribWeights, 0.0f, 0.0f, 0.0f, 0.0f);
    common->glVertexAttrib4f(kAttribNormal, 0.0f, 0.0f, 0.0f, 0.0f);
    common->glVertexAttrib4f(kAttribDiffuse, 1.0f, 1.0f, 1.0f, 1.0f);
    common->glVertexAttrib4f(kAttribTexCoord, 0.0f, 0.0f, 0.0f, 0.0f);
    core_->state.invalidate();
    backBuffer_ = new GlSurface(core_, true);
    return gl->glGetError() == GL_NO_ERROR;
}

void GlGraphicsDevice::release() {
    if (core_->ensure_current()) {
        GlFunctions* gl = core_->gl;
        state_->program.destroy(gl);
        gl->glDeleteVertexArrays(1, &state_->streamArrays.vao);
        gl->glDeleteVertexArrays(1, &state_->bufferArrays.vao);
        core_->object_deleted();
    }
    if (backBuffer_) backBuffer_->release();
    for (GlTexture*& bound : core_->boundTextures) bound = nullptr;
    core_->boundVertexBuffer = nullptr;
    core_->boundIndexBuffer = nullptr;
    delete this;
}

// Direct3D's defaults for every state this device honours; Reset returns to them too.
void GlGraphicsDevice::reset_states() {
    GlDeviceState& s = *state_;
    std::fill(std::begin(s.render), std::end(s.render), 0u);
    s.render[kRsZEnable] = params_.enableAutoDepthStencil ? kZbTrue : kZbFalse;
    s.render[kRsFillMode] = kFillSolid;
    s.render[kRsShadeMode] = kShadeGouraud;
    s.render[kRsZWriteEnable] = 1;
    s.render[kRsSrcBlend] = kBlendOne;
    s.render[kRsDestBlend] = kBlendZero;
    s.render[kRsCullMode] = kCullCcw;
    s.render[kRsZFunc] = 4;  // LESSEQUAL
    s.render[kRsLighting] = 1;
    s.render[kRsColorVertex] = 1;
    s.render[kRsPointSize] = float_to_bits(1.0f);
    for (std::uint32_t i = 0; i < kStageCount; ++i) {
        std::fill(std::begin(s.stage[i]), std::end(s.stage[i]), 0u);
        s.stage[i][kTssColorOp] = i == 0 ? kTopModulate : kTopDisable;
        s.stage[i][kTssColorArg1] = kTaTexture;
        s.stage[i][kTssColorArg2] = kTaCurrent;
        s.stage[i][kTssAlphaOp] = i == 0 ? kTopSelectArg1 : kTopDisable;
        s.stage[i][kTssAlphaArg1] = kTaTexture;
        s.stage[i][kTssAlphaArg2] = kTaCurrent;
    }
    for (Matrix& m : s.world) m = identity_matrix();
    s.view = s.projection = identity_matrix();
    s.light = Light{};
    s.lightEnabled = false;
    s.material = Material{};
    s.fvf = 0;
    s.layoutValid = false;
    s.softwareVertexProcessing = false;
    s.staleMatrices = 0xF;
    s.sentMatrices = 0;
    s.projectionDirty = s.materialDirty = s.lightDirty = true;
    std::fill(std::begin(s.sent), std::end(s.sent), -1);
    s.sentPixelCentre[0] = s.sentPixelCentre[1] = 0.0f;
    for (GlTexture*& bound : core_->boundTextures) bound = nullptr;
    core_->boundVertexBuffer = nullptr;
    core_->boundIndexBuffer = nullptr;
    core_->viewport = Viewport{0, 0, core_->backBufferWidth, core_->backBufferHeight, 0.0f, 1.0f};
    inScene_ = false;
}

HResult GlGraphicsDevice::clear(std::uint32_t rectCount, const Rect* rects, std::uint32_t flags, D3DColor color,
                                float z, std::uint32_t stencil) {
    if ((rectCount > 0 && !rects) || (flags & ~(kClearTarget | kClearZBuffer | kClearStencil)) != 0)
        return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    GlStateCache& st = core_->state;
    GlFunctions* gl = core_->gl;
    GLbitfield mask = 0;
    if (flags & kClearTarget) {
        const float a = ((color >> 24) & 0xFF) / 255.0f;
        // Premultiplied on a see-through window: the clear colour's alpha 0 is nothing at all there.
        const float k = core_->see_through() ? a : 1.0f;
        gl->glClearColor(k * ((color >> 16) & 0xFF) / 255.0f, k * ((color >> 8) & 0xFF) / 255.0f,
                         k * (color & 0xFF) / 255.0f, a);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & kClearZBuffer) {
        gl->glClearDepth(std::min(std::max(z, 0.0f), 1.0f));
        st.depth_mask(true);  // Clear writes depth whatever ZWRITEENABLE says
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & kClearStencil) {
        gl->glClearStencil(static_cast<GLint>(stencil & 0xFF));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (!mask) return kOk;
    st.bind_draw_framebuffer(core_->backBufferFbo);
    st.scissor_test(true);
    // Clear covers the viewport, or the given rectangles within it.
    const Viewport& vp = core_->viewport;
    const std::int64_t bbHeight = core_->backBufferHeight;
    const std::uint32_t count = rectCount ? rectCount : 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::int64_t left = vp.x, top = vp.y, right = std::int64_t(vp.x) + vp.width,
                     bottom = std::int64_t(vp.y) + vp.height;
        if (rectCount) {
            left = std::max<std::int64_t>(left, rects[i].left);
            top = std::max<std::int64_t>(top, rects[i].top);
            right = std::min<std::int64_t>(right, rects[i].right);
            bottom = std::min<std::int64_t>(bottom, rects[i].bottom);
        }
        if (right <= left || bottom <= top) continue;
        st.scissor(static_cast<GLint>(left), static_cast<GLint>(bbHeight - bottom),
                   static_cast<GLsizei>(right - left), static_cast<GLsizei>(bottom - top));
        gl->glClear(mask);
    }
    return kOk;
}

HResult GlGraphicsDevice::begin_scene() {
    if (inScene_) return kD3dErrInvalidCall;
    inScene_ = true;
    return kOk;
}

HResult GlGraphicsDevice::end_scene() {
    if (!inScene_) return kD3dErrInvalidCall;
    inScene_ = false;
    return kOk;
}

HResult GlGraphicsDevice::present() {
    // A retired window is a lost device to the core, which rebuilds onto the desktop's new one.
    if (core_->retired() || !core_->check_reset()) return kD3dErrDeviceLost;
    core_->shape_window_to_frame();
    std::uint32_t width = 0, height = 0;
    if (core_->window_size(&width, &height) && width > 0 && height > 0) {
        GlStateCache& st = core_->state;
        st.bind_read_framebuffer(core_->backBufferFbo);
        st.bind_draw_framebuffer(0);
        st.scissor_test(false);
        const std::uint32_t bw = core_->backBufferWidth, bh = core_->backBufferHeight;
        const GLenum filter = (bw == width && bh == height) ? GL_NEAREST : GL_LINEAR;
        core_->gl->glBlitFramebuffer(0, 0, static_cast<GLint>(bw), static_cast<GLint>(bh), 0, 0,
                                     static_cast<GLint>(width), static_cast<GLint>(height), GL_COLOR_BUFFER_BIT,
                                     filter);
        core_->swap_window();
        st.bind_draw_framebuffer(core_->backBufferFbo);
    } else {
        core_->gl->glFlush();
    }
    return core_->check_reset() ? kOk : kD3dErrDeviceLost;
}

HResult GlGraphicsDevice::reset(const PresentParams& params) {
    if (core_->retired() || !core_->ensure_current()) return kD3dErrDeviceLost;
    std::uint32_t width = 0, height = 0;
    HResult hr = check_present_params(params, &width, &height);
    if (failed(hr)) return hr;
    params_ = params;
    if (!core_->create_back_buffer(width, height, params.autoDepthStencilFormat == kFmtD16))
        return kD3dErrOutOfVideoMemory;
    reset_states();
    return kOk;
}

// --- device: states ---

HResult GlGraphicsDevice::set_render_state(std::uint32_t state, std::uint32_t value) {
    if (state >= kRenderStateCount) return kD3dErrInvalidCall;
    GlDeviceState& s = *state_;
    if (s.render[state] == value) return kOk;
    s.render[state] = value;
    switch (state) {
        case kRsZEnable: case kRsFillMode: case kRsShadeMode: case kRsZWriteEnable: case kRsSrcBlend:
        case kRsDestBlend: case kRsCullMode: case kRsDitherEnable: case kRsAlphaBlendEnable: case kRsLighting:
        case kRsNormalizeNormals: case kRsVertexBlend: case kRsPointSize: case kRsZFunc: case kRsColorVertex:
            break;
        case kRsAmbient:
            s.lightDirty = true;
            break;
        default:
            // Kept but not honoured: say so once, so a new caller does not wonder silently.
            if (value != 0 && !s.warned[state]) {
                s.warned[state] = true;
                qWarning("OpenGL device: render state %u is not supported; value %u ignored", state, value);
            }
            break;
    }
    return kOk;
}

HResult GlGraphicsDevice::set_texture_stage_state(std::uint32_t stage, std::uint32_t type, std::uint32_t value) {
    if (stage >= kStageCount || type >= kStageStateCount) return kD3dErrInvalidCall;
    state_->stage[stage][type] = value;
    return kOk;
}

HResult GlGraphicsDevice::set_transform(std::uint32_t state, const Matrix& matrix) {
    GlDeviceState& s = *state_;
    if (state == kTsView) {
        s.view = matrix;
        s.staleMatrices = 0xF;
        s.lightDirty = true;  // the light's direction is sent in view space
    } else if (state == kTsProjection) {
        s.projection = matrix;
        s.projectionDirty = true;
    } else if (state >= kTsWorld && state < kTsWorld + kBlendMatrices) {
        s.world[state - kTsWorld] = matrix;
        s.staleMatrices |= 1u << (state - kTsWorld);
    } else if (state > kTsWorld + 255) {
        return kD3dErrInvalidCall;
    }
    return kOk;  // texture transforms and world matrices past the fourth have no effect here
}

HResult GlGraphicsDevice::set_viewport(const Viewport& viewport) {
    const std::uint64_t right = std::uint64_t(viewport.x) + viewport.width;
    const std::uint64_t bottom = std::uint64_t(viewport.y) + viewport.height;
    if (viewport.width == 0 || viewport.height == 0 || right > core_->backBufferWidth ||
        bottom > core_->backBufferHeight || !(viewport.minZ >= 0.0f && viewport.minZ <= 1.0f) ||
        !(viewport.maxZ >= 0.0f && viewport.maxZ <= 1.0f))
        return kD3dErrInvalidCall;
    core_->viewport = viewport;
    return kOk;
}

HResult GlGraphicsDevice::set_light(std::uint32_t index, const Light& light) {
    if (index != 0 || light.type != kLightDirectional) {
        qWarning("OpenGL device: only one directional light (index 0) is supported");
        return kNotImpl;
    }
    state_->light = light;
    state_->lightDirty = true;
    return kOk;
}

HResult GlGraphicsDevice::light_enable(std::uint32_t index, bool enable) {
    if (index != 0) return enable ? kNotImpl : kOk;
    state_->lightEnabled = enable;
    state_->lightDirty = true;
    return kOk;
}

HResult GlGraphicsDevice::set_material(const Material& material) {
    state_->material = material;
    state_->materialDirty = true;
    return kOk;
}

HResult GlGraphicsDevice::set_texture(std::uint32_t stage, Texture* texture) {
    if (stage >= kStageCount) return kD3dErrInvalidCall;
    auto* gt = static_cast<GlTexture*>(texture);
    if (gt && gt->core() != core_) return kD3dErrInvalidCall;
    core_->boundTextures[stage] = gt;
    return kOk;
}

HResult GlGraphicsDevice::set_fvf(std::uint32_t fvf) {
    GlDeviceState& s = *state_;
    if (fvf == s.fvf && s.layoutValid) return kOk;
    FvfLayout layout;
    if (!parse_fvf(fvf, &layout)) return kD3dErrInvalidCall;
    s.fvf = fvf;
    s.layout = layout;
    s.layoutValid = true;
    return kOk;
}

HResult GlGraphicsDevice::set_software_vertex_processing(bool software) {
    state_->softwareVertexProcessing = software;  // one vertex path serves both
    return kOk;
}

// --- device: drawing ---

namespace {

void set_int(GlFunctions* gl, GLint location, int value, int* sent) {
    if (*sent == value) return;
    *sent = value;
    gl->glUniform1i(location, value);
}

void point_attribute(GlFunctions* gl, GLuint index, GLint size, GLenum type, GLboolean normalized,
                     std::uint32_t stride, std::uint32_t offset) {
    gl->glEnableVertexAttribArray(index);
    gl->glVertexAttribPointer(index, size, type, normalized, static_cast<GLsizei>(stride),
                              reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset)));
}

// Points the arrays of a vertex array object at buffer with the layout of fvf, unless they
// already are.
void bind_layout(GlDeviceCore& core, VertexArrayLayout* arrays, GLuint buffer, GLuint indexBuffer,
                 std::uint32_t fvf, const FvfLayout& layout, std::uint32_t stride) {
    core.state.bind_vertex_array(arrays->vao);
    GlFunctions* gl = core.gl;
    if (arrays->generation != core.deletions) {
        arrays->generation = core.deletions;
        arrays->buffer = arrays->indexBuffer = 0;
        arrays->fvf = ~0u;
    }
    if (arrays->indexBuffer != indexBuffer) {
        arrays->indexBuffer = indexBuffer;
        gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    }
    if (arrays->buffer == buffer && arrays->fvf == fvf && arrays->stride == stride) return;
    arrays->buffer = buffer;
    arrays->fvf = fvf;
    arrays->stride = stride;
    core.state.bind_array_buffer(buffer);
    point_attribute(gl, kAttribPosition, 3, GL_FLOAT, GL_FALSE, stride, 0);
    if (layout.weightCount > 0)
        point_attribute(gl, kAttribWeights, static_cast<GLint>(std::min(layout.weightCount, 4u)), GL_FLOAT, GL_FALSE,
                        stride, layout.weightOffset);
    else
        gl->glDisableVertexAttribArray(kAttribWeights);
    if (layout.hasNormal)
        point_attribute(gl, kAttribNormal, 3, GL_FLOAT, GL_FALSE, stride, layout.normalOffset);
    else
        gl->glDisableVertexAttribArray(kAttribNormal);
    if (layout.hasDiffuse)  // D3DCOLOR bytes are B, G, R, A in memory
        point_attribute(gl, kAttribDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, layout.diffuseOffset);
    else
        gl->glDisableVertexAttribArray(kAttribDiffuse);
    if (layout.texCoordSets > 0)
        point_attribute(gl, kAttribTexCoord, static_cast<GLint>(std::min(layout.texCoordSize, 2u)), GL_FLOAT,
                        GL_FALSE, stride, layout.texCoordOffset);
    else
        gl->glDisableVertexAttribArray(kAttribTexCoord);
}

}  // namespace

void GlGraphicsDevice::apply_raster_state() {
    const std::uint32_t* r = state_->render;
    GlStateCache& st = core_->state;
    st.bind_draw_framebuffer(core_->backBufferFbo);
    st.scissor_test(false);
    const Viewport& vp = core_->viewport;
    st.viewport(static_cast<GLint>(vp.x), static_cast<GLint>(core_->backBufferHeight - vp.y - vp.height),
                static_cast<GLsizei>(vp.width), static_cast<GLsizei>(vp.height));
    st.depth_range(vp.minZ, vp.maxZ);
    const bool depth = r[kRsZEnable] != kZbFalse;
    st.depth_test(depth);
    st.depth_mask(r[kRsZWriteEnable] != 0);
    st.depth_func(gl_compare(r[kRsZFunc]));
    switch (r[kRsCullMode]) {
        case kCullCw: st.cull(true); st.cull_face(GL_FRONT); break;
        case kCullCcw: st.cull(true); st.cull_face(GL_BACK); break;
        default: st.cull(false); break;
    }
    switch (r[kRsFillMode]) {
        case kFillPoint: st.polygon_mode(GL_POINT); break;
        case kFillWireframe: st.polygon_mode(GL_LINE); break;
        default: st.polygon_mode(GL_FILL); break;
    }
    float pointSize = bits_to_float(r[kRsPointSize]);
    if (!(pointSize >= 1.0f)) pointSize = 1.0f;
    st.point_size(std::min(pointSize, limits_.maxPointSize));
    st.blend(r[kRsAlphaBlendEnable] != 0);
    st.blend_func(gl_blend(r[kRsSrcBlend]), gl_blend(r[kRsDestBlend]));
}

void GlGraphicsDevice::upload_uniforms(std::uint32_t weightCount) {
    GlDeviceState& s = *state_;
    GlFunctions* gl = core_->gl;
    const FixedFunctionProgram& p = s.program;
    for (std::uint32_t k = 0; k <= weightCount; ++k) {
        const std::uint32_t bit = 1u << k;
        if (s.staleMatrices & bit) {
            s.worldView[k] = multiply(s.world[k], s.view);
            normal_matrix(s.worldView[k], s.normals[k]);
            s.staleMatrices &= ~bit;
            s.sentMatrices &= ~bit;
        }
        if (!(s.sentMatrices & bit)) {
            // Direct3D's row-major floats read column-major are the transpose, so M * v in GLSL
            // is Direct3D's v * M.
            gl->glUniformMatrix4fv(p.worldView[k], 1, GL_FALSE, &s.worldView[k].m[0][0]);
            gl->glUniformMatrix3fv(p.normalMatrix[k], 1, GL_FALSE, s.normals[k]);
            s.sentMatrices |= bit;
        }
    }
    if (s.projectionDirty) {
        gl->glUniformMatrix4fv(p.projection, 1, GL_FALSE, &s.projection.m[0][0]);
        s.projectionDirty = false;
    }
    if (s.materialDirty) {
        gl->glUniform4fv(p.materialDiffuse, 1, &s.material.diffuse.r);
        gl->glUniform4fv(p.materialAmbient, 1, &s.material.ambient.r);
        gl->glUniform4fv(p.materialEmissive, 1, &s.material.emissive.r);
        s.materialDirty = false;
    }
    if (s.lightDirty) {
        const std::uint32_t ambient = s.render[kRsAmbient];
        gl->glUniform3f(p.globalAmbient, ((ambient >> 16) & 0xFF) / 255.0f, ((ambient >> 8) & 0xFF) / 255.0f,
                        (ambient & 0xFF) / 255.0f);
        gl->glUniform1i(p.lightEnabled, s.lightEnabled ? 1 : 0);
        // Towards the light in view space: -(direction * view), normalised.
        const Vec3 d = s.light.direction;
        const Matrix& v = s.view;
        float x = d.x * v.m[0][0] + d.y * v.m[1][0] + d.z * v.m[2][0];
        float y = d.x * v.m[0][1] + d.y * v.m[1][1] + d.z * v.m[2][1];
        float z = d.x * v.m[0][2] + d.y * v.m[1][2] + d.z * v.m[2][2];
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length > 0.0f && std::isfinite(length)) {
            x = -x / length; y = -y / length; z = -z / length;
        } else {
            x = y = z = 0.0f;
        }
        gl->glUniform3f(p.lightToward, x, y, z);
        gl->glUniform3f(p.lightDiffuse, s.light.diffuse.r, s.light.diffuse.g, s.light.diffuse.b);
        gl->glUniform3f(p.lightAmbient, s.light.ambient.r, s.light.ambient.g, s.light.ambient.b);
        s.lightDirty = false;
    }
    const std::uint32_t* r = s.render;
    const std::uint32_t* st0 = s.stage[0];
    const FvfLayout& layout = s.layout;
    // Without a vertex colour in the format the material's diffuse colour is used.
    const bool diffuseFromVertex = layout.hasDiffuse && r[kRsColorVertex] != 0;
    set_int(gl, p.weightCount, static_cast<int>(weightCount), &s.sent[kSentWeightCount]);
    set_int(gl, p.hasNormal, layout.hasNormal, &s.sent[kSentHasNormal]);
    set_int(gl, p.hasDiffuse, r[kRsLighting] ? diffuseFromVertex : layout.hasDiffuse, &s.sent[kSentHasDiffuse]);
    set_int(gl, p.lighting, r[kRsLighting] != 0, &s.sent[kSentLighting]);
    set_int(gl, p.normalizeNormals, r[kRsNormalizeNormals] != 0, &s.sent[kSentNormalize]);
    set_int(gl, p.flatShading, r[kRsShadeMode] == kShadeFlat, &s.sent[kSentFlat]);
    set_int(gl, p.textureBound, core_->boundTextures[0] != nullptr, &s.sent[kSentTextureBound]);
    set_int(gl, p.colourOp, static_cast<int>(st0[kTssColorOp]), &s.sent[kSentColourOp]);
    set_int(gl, p.colourArg1, static_cast<int>(st0[kTssColorArg1]), &s.sent[kSentColourArg1]);
    set_int(gl, p.colourArg2, static_cast<int>(st0[kTssColorArg2]), &s.sent[kSentColourArg2]);
    set_int(gl, p.alphaOp, static_cast<int>(st0[kTssAlphaOp]), &s.sent[kSentAlphaOp]);
    set_int(gl, p.alphaArg1, static_cast<int>(st0[kTssAlphaArg1]), &s.sent[kSentAlphaArg1]);
    set_int(gl, p.alphaArg2, static_cast<int>(st0[kTssAlphaArg2]), &s.sent[kSentAlphaArg2]);
    set_int(gl, p.remapDepth, !core_->clipControl, &s.sent[kSentRemapDepth]);
    // What is drawn without blending covers the desktop beneath completely (the fish).
    set_int(gl, p.opaqueAlpha, core_->see_through() && r[kRsAlphaBlendEnable] == 0, &s.sent[kSentOpaqueAlpha]);
    // Half a pixel, less a little: edges that fall on pixel centres then land on the side that
    // Direct3D's top-left rule puts them on (as wined3d does).
    const float cx = (63.0f / 64.0f) / static_cast<float>(core_->viewport.width);
    const float cy = -(63.0f / 64.0f) / static_cast<float>(core_->viewport.height);
    if (cx != s.sentPixelCentre[0] || cy != s.sentPixelCentre[1]) {
        gl->glUniform2f(p.pixelCentre, cx, cy);
        s.sentPixelCentre[0] = cx;
        s.sentPixelCentre[1] = cy;
    }
}

void GlGraphicsDevice::apply_draw_state() {
    GlDeviceState& s = *state_;
    apply_raster_state();
    core_->state.use_program(s.program.program);
    std::uint32_t blend = s.render[kRsVertexBlend];
    if (blend == kVbf0Weights || blend == kVbfTweening || blend > 3) blend = 0;
    const std::uint32_t weightCount = std::min(blend, s.layout.weightCount);
    upload_uniforms(weightCount);
    GlTexture* texture = core_->boundTextures[0];
    core_->state.bind_texture(texture ? texture->name : 0);
}

HResult GlGraphicsDevice::draw_primitive_up(std::uint32_t type, std::uint32_t primitiveCount, const void* vertices,
                                            std::uint32_t stride) {
    GlDeviceState& s = *state_;
    GLenum mode = 0;
    std::uint64_t count = 0;
    if (!vertices || primitiveCount == 0 || !primitive_shape(type, primitiveCount, &mode, &count) ||
        !s.layoutValid || stride < s.layout.size)
        return kD3dErrInvalidCall;
    const std::uint64_t bytes = count * stride;
    if (bytes > (64u << 20)) return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    const long long offset = core_->stream_write(vertices, static_cast<std::size_t>(bytes), stride);
    if (offset < 0) return kD3dErrInvalidCall;
    bind_layout(*core_, &s.streamArrays, core_->streamBuffer, 0, s.fvf, s.layout, stride);
    apply_draw_state();
    core_->gl->glDrawArrays(mode, static_cast<GLint>(offset / stride), static_cast<GLsizei>(count));
    return kOk;
}

HResult GlGraphicsDevice::create_vertex_buffer(const void* data, std::uint32_t size, std::uint32_t,
                                               VertexBuffer** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    if (!data || size == 0) return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    GlFunctions* gl = core_->gl;
    GLuint name = 0;
    gl->glGenBuffers(1, &name);
    core_->state.bind_array_buffer(name);
    gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(size), data, GL_STATIC_DRAW);
    if (gl->glGetError() != GL_NO_ERROR) {
        gl->glDeleteBuffers(1, &name);
        core_->object_deleted();
        return kD3dErrOutOfVideoMemory;
    }
    *out = new GlVertexBuffer(core_, name, size);
    return kOk;
}

HResult GlGraphicsDevice::create_index_buffer(const void* data, std::uint32_t size, bool index32,
                                              IndexBuffer** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    const std::uint32_t indexSize = index32 ? 4 : 2;
    if (!data || size < indexSize) return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    GlFunctions* gl = core_->gl;
    GLuint name = 0;
    gl->glGenBuffers(1, &name);
    // Element buffers bind to a vertex array object; use the buffer one, which rebinds before drawing.
    core_->state.bind_vertex_array(state_->bufferArrays.vao);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
    state_->bufferArrays.indexBuffer = name;
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(size), data, GL_STATIC_DRAW);
    if (gl->glGetError() != GL_NO_ERROR) {
        gl->glDeleteBuffers(1, &name);
        core_->object_deleted();
        return kD3dErrOutOfVideoMemory;
    }
    *out = new GlIndexBuffer(core_, name, size / indexSize, index32);
    return kOk;
}

HResult GlGraphicsDevice::set_stream_source(VertexBuffer* buffer, std::uint32_t stride) {
    auto* vb = static_cast<GlVertexBuffer*>(buffer);
    if (vb && vb->core() != core_) return kD3dErrInvalidCall;
    core_->boundVertexBuffer = vb;
    state_->streamStride = stride;
    return kOk;
}

HResult GlGraphicsDevice::set_indices(IndexBuffer* buffer) {
    auto* ib = static_cast<GlIndexBuffer*>(buffer);
    if (ib && ib->core() != core_) return kD3dErrInvalidCall;
    core_->boundIndexBuffer = ib;
    return kOk;
}

HResult GlGraphicsDevice::draw_indexed_primitive(std::uint32_t type, std::int32_t baseVertexIndex,
                                                 std::uint32_t minIndex, std::uint32_t numVertices,
                                                 std::uint32_t startIndex, std::uint32_t primitiveCount) {
    GlDeviceState& s = *state_;
    GlVertexBuffer* vb = core_->boundVertexBuffer;
    GlIndexBuffer* ib = core_->boundIndexBuffer;
    GLenum mode = 0;
    std::uint64_t count = 0;
    if (!vb || !ib || primitiveCount == 0 || !primitive_shape(type, primitiveCount, &mode, &count) ||
        !s.layoutValid || s.streamStride < s.layout.size)
        return kD3dErrInvalidCall;
    // The indices drawn lie in the index buffer, and the vertices they promise in the vertex buffer.
    const std::uint64_t vertexCount = vb->size / s.streamStride;
    const std::int64_t first = std::int64_t(baseVertexIndex) + minIndex;
    if (std::uint64_t(startIndex) + count > ib->count || first < 0 ||
        std::uint64_t(first) + numVertices > vertexCount)
        return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    bind_layout(*core_, &s.bufferArrays, vb->name, ib->name, s.fvf, s.layout, s.streamStride);
    apply_draw_state();
    const std::uintptr_t offset = std::uintptr_t(startIndex) * (ib->index32 ? 4 : 2);
    core_->gl->glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count),
                                        ib->index32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                        reinterpret_cast<const void*>(offset), baseVertexIndex);
    return kOk;
}

// --- device: surfaces ---

HResult GlGraphicsDevice::get_back_buffer(std::uint32_t swapChain, std::uint32_t index, Surface** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    if (swapChain != 0 || index != 0) return kD3dErrInvalidCall;
    backBuffer_->add_ref();  // one object for the device's life: no allocation per frame
    *out = backBuffer_;
    return kOk;
}

namespace {

bool rect_inside(const Rect& r, std::uint32_t width, std::uint32_t height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           std::uint32_t(r.right) <= width && std::uint32_t(r.bottom) <= height;
}

}  // namespace

HResult GlGraphicsDevice::stretch_rect(Surface* source, const Rect* sourceRect, Surface* dest, const Rect* destRect,
                                       std::uint32_t filter) {
    auto* src = static_cast<GlSurface*>(source);
    auto* dst = static_cast<GlSurface*>(dest);
    if (!src || !dst || src->core() != core_ || dst->core() != core_) return kD3dErrInvalidCall;
    // Only the back buffer renders, and a surface cannot copy onto itself.
    if (!dst->backBuffer || src->backBuffer || filter > kTexfLinear) return kD3dErrInvalidCall;
    const Rect whole{0, 0, static_cast<std::int32_t>(src->width()), static_cast<std::int32_t>(src->height())};
    const Rect target{0, 0, static_cast<std::int32_t>(dst->width()), static_cast<std::int32_t>(dst->height())};
    const Rect& s = sourceRect ? *sourceRect : whole;
    const Rect& d = destRect ? *destRect : target;
    if (!rect_inside(s, src->width(), src->height()) || !rect_inside(d, dst->width(), dst->height()))
        return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    const GlDeviceCore::StretchKey key{src->contentId, {s.left, s.top, s.right, s.bottom},
                                       {d.left, d.top, d.right, d.bottom}, filter};
    if (core_->replay_stretch(key)) return kOk;
    GlStateCache& st = core_->state;
    st.bind_read_framebuffer(src->fbo);
    st.bind_draw_framebuffer(core_->backBufferFbo);
    st.scissor_test(false);
    // The surface's rows are stored top row first (GL y = image row); the back buffer stands the
    // GL way up, so Direct3D's top-left rectangle flips on the way.
    const GLint h = static_cast<GLint>(core_->backBufferHeight);
    core_->gl->glBlitFramebuffer(s.left, s.top, s.right, s.bottom, d.left, h - d.top, d.right, h - d.bottom,
                                 GL_COLOR_BUFFER_BIT, filter == kTexfLinear ? GL_LINEAR : GL_NEAREST);
    core_->keep_stretch(key);
    return kOk;
}

HResult GlGraphicsDevice::create_offscreen_plain_surface(std::uint32_t width, std::uint32_t height,
                                                         std::uint32_t format, std::uint32_t, Surface** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    if (width == 0 || height == 0 || width > limits_.maxTextureSize || height > limits_.maxTextureSize ||
        !is_colour_format(format))
        return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    GlFunctions* gl = core_->gl;
    auto* surface = new GlSurface(core_, false);
    surface->set_size(width, height);
    surface->format = format;
    surface->contentId = core_->new_content_id();
    gl->glGenTextures(1, &surface->texture);
    core_->state.bind_texture(surface->texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                     GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glGenFramebuffers(1, &surface->fbo);
    core_->state.bind_draw_framebuffer(surface->fbo);
    gl->glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, surface->texture, 0);
    const bool complete = gl->glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {  // new surfaces read as transparent black, not as whatever memory held
        core_->state.scissor_test(false);
        gl->glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT);
    }
    core_->state.bind_draw_framebuffer(core_->backBufferFbo);
    if (!complete || gl->glGetError() != GL_NO_ERROR) {
        surface->release();
        return kD3dErrOutOfVideoMemory;
    }
    *out = surface;
    return kOk;
}

HResult GlGraphicsDevice::read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) {
    if (!pixels || width != core_->backBufferWidth || height != core_->backBufferHeight) return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    core_->state.bind_read_framebuffer(core_->backBufferFbo);
    core_->gl->glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA,
                            GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    const std::size_t w = width;
    for (std::size_t y = 0; y < height / 2; ++y)  // GL reads bottom row first
        std::swap_ranges(pixels + y * w, pixels + (y + 1) * w, pixels + (height - 1 - y) * w);
    // The colour buffer always stores alpha; a back buffer without it reads as opaque.
    if (params_.backBufferFormat != kFmtA8R8G8B8)
        for (std::size_t i = 0; i < w * height; ++i) pixels[i] |= 0xFF000000u;
    return kOk;
}

// --- device: D3DX creation ---

HResult GlGraphicsDevice::create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                                         std::uint32_t format, std::uint32_t, Texture** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    if (usage & (kUsageRenderTarget | kUsageDepthStencil)) return kD3dErrNotAvailable;
    if (image.width > limits_.maxTextureSize || image.height > limits_.maxTextureSize) return kD3dErrInvalidCall;
    std::vector<TextureLevel> levels;
    if (!build_texture_levels(image, mipLevels, format, &levels)) return kD3dErrInvalidCall;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    GlFunctions* gl = core_->gl;
    GLuint name = 0;
    gl->glGenTextures(1, &name);
    core_->state.bind_texture(name);
    for (std::size_t i = 0; i < levels.size(); ++i)
        gl->glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, static_cast<GLsizei>(levels[i].width),
                         static_cast<GLsizei>(levels[i].height), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                         levels[i].pixels.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size() - 1));
    // Direct3D 9's sampler defaults, which the program never changes: point sampling, no mip
    // filtering, wrapping coordinates.
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (gl->glGetError() != GL_NO_ERROR) {
        gl->glDeleteTextures(1, &name);
        core_->object_deleted();
        return kD3dErrOutOfVideoMemory;
    }
    *out = new GlTexture(core_, name, static_cast<std::uint32_t>(levels.size()));
    return kOk;
}

HResult GlGraphicsDevice::load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) {
    auto* surface = static_cast<GlSurface*>(dest);
    if (!surface || surface->core() != core_ || surface->backBuffer) return kD3dErrInvalidCall;
    if (image.width == 0 || image.height == 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return kD3dErrInvalidCall;
    std::vector<std::uint32_t> pixels;
    load_surface_pixels(image, colorKey, surface->width(), surface->height(), &pixels);
    for (std::uint32_t& p : pixels) p = store_texel(p, surface->format);
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    surface->contentId = core_->new_content_id();
    core_->state.bind_texture(surface->texture);
    core_->gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(surface->width()),
                               static_cast<GLsizei>(surface->height()), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                               pixels.data());
    return kOk;
}

HResult GlGraphicsDevice::create_vertex_shader(const VertexShaderSource& source, VertexShader** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    const std::uint32_t* tokens = source.tokens;
    const std::uint32_t tokenCount = source.tokenCount;
    // A vertex-shader token stream opens with its version (vs_1_1 to vs_3_0) and closes with END.
    if (!tokens || tokenCount < 2 || (tokens[0] & 0xFFFF0000u) != 0xFFFE0000u || (tokens[0] & 0xFFFFu) < 0x0101 ||
        (tokens[0] & 0xFFFFu) > 0x0300 || tokens[tokenCount - 1] != kVertexShaderEnd)
        return kD3dErrInvalidCall;
    *out = new GlVertexShader(tokens, tokenCount);
    return kOk;
}

HResult GlGraphicsDevice::create_effect(const char* text, std::uint32_t size, std::uint32_t, Effect** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    if (!text || size == 0) return kD3dErrInvalidCall;
    *out = new GlEffect(text, size);
    return kOk;
}

HResult GlGraphicsDevice::create_font(const LogFont& description, Font** out) {
    if (!out) return kD3dErrInvalidCall;
    *out = nullptr;
    if (!core_->ensure_current()) return kD3dErrDeviceLost;
    GlFont* font = nullptr;
    HResult hr = GlFont::create(core_, description, &font);
    if (succeeded(hr)) *out = font;
    return hr;
}

// --- Linux additions ---

QOpenGLContext* GlGraphicsDevice::gl_context() const { return core_->context(); }

}  // namespace brine
