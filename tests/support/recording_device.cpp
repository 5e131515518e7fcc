// Recording and null graphics doubles. Argument text is meant to be written out by hand in
// tests: state names instead of numbers where Direct3D has a name, floats in %g form.
#include "tests/support/recording_device.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "device/decoded_image.h"

namespace brine::test {

namespace {

std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// Negative zero prints as 0: sequences are written by hand and -0 == 0 for the device.
std::string g(float v) { return fmt("%g", v == 0.0f ? 0.0 : static_cast<double>(v)); }
std::string hex(std::uint32_t v) { return fmt("0x%X", v); }
std::string colour(const ColorValue& c) { return "(" + g(c.r) + " " + g(c.g) + " " + g(c.b) + " " + g(c.a) + ")"; }
std::string vec(const Vec3& v) { return "(" + g(v.x) + " " + g(v.y) + " " + g(v.z) + ")"; }

std::string render_state_name(std::uint32_t s) {
    switch (s) {
        case kRsZEnable: return "ZENABLE";
        case kRsFillMode: return "FILLMODE";
        case kRsShadeMode: return "SHADEMODE";
        case kRsZWriteEnable: return "ZWRITEENABLE";
        case kRsSrcBlend: return "SRCBLEND";
        case kRsDestBlend: return "DESTBLEND";
        case kRsCullMode: return "CULLMODE";
        case kRsDitherEnable: return "DITHERENABLE";
        case kRsAlphaBlendEnable: return "ALPHABLENDENABLE";
        case kRsSpecularEnable: return "SPECULARENABLE";
        case kRsLighting: return "LIGHTING";
        case kRsAmbient: return "AMBIENT";
        case kRsNormalizeNormals: return "NORMALIZENORMALS";
        case kRsVertexBlend: return "VERTEXBLEND";
        case kRsPointSize: return "POINTSIZE";
        default: return std::to_string(s);
    }
}

std::string stage_state_name(std::uint32_t t) {
    switch (t) {
        case kTssColorOp: return "COLOROP";
        case kTssColorArg1: return "COLORARG1";
        case kTssColorArg2: return "COLORARG2";
        case kTssAlphaOp: return "ALPHAOP";
        case kTssAlphaArg1: return "ALPHAARG1";
        case kTssAlphaArg2: return "ALPHAARG2";
        default: return std::to_string(t);
    }
}

std::string transform_name(std::uint32_t t) {
    if (t == kTsView) return "VIEW";
    if (t == kTsProjection) return "PROJECTION";
    if (t == kTsWorld) return "WORLD";
    if (t > kTsWorld && t < kTsWorld + 256) return "WORLDMATRIX(" + std::to_string(t - kTsWorld) + ")";
    return std::to_string(t);
}

std::string device_type_name(std::uint32_t t) {
    if (t == kDevTypeHal) return "HAL";
    if (t == kDevTypeRef) return "REF";
    return std::to_string(t);
}

class FakeTexture : public Texture, public FakeObject {
public:
    void release() override { mark_released(); }
    std::uint32_t level_count() const override { return levels; }
    std::uint32_t levels = 1;
};

class FakeSurface : public Surface, public FakeObject {
public:
    void release() override { mark_released(); }
    std::uint32_t width() const override { return w; }
    std::uint32_t height() const override { return h; }
    std::uint32_t w = 0, h = 0;
};

class FakeVertexBuffer : public VertexBuffer, public FakeObject {
public:
    void release() override { mark_released(); }
};
class FakeIndexBuffer : public IndexBuffer, public FakeObject {
public:
    void release() override { mark_released(); }
};
class FakeShader : public VertexShader, public FakeObject {
public:
    void release() override { mark_released(); }
};
class FakeEffect : public Effect, public FakeObject {
public:
    void release() override { mark_released(); }
};

class FakeFont : public Font, public FakeObject {
public:
    void release() override { mark_released(); }
    HResult begin() override { return recorder->record(label + ".begin", ""); }
    HResult end() override { return recorder->record(label + ".end", ""); }
    int draw_text(const char* text, int count, Rect* rect, std::uint32_t format, D3DColor color) override {
        HResult hr = recorder->record(label + ".draw_text", "\"" + escape_text(text, count) + "\", " +
                                                                std::to_string(count) + ", " + format_rect(rect) +
                                                                ", " + hex(format) + ", " + fmt("0x%08X", color));
        if (failed(hr) || !rect) return 0;
        return rect->bottom - rect->top;
    }
    LogFont description{};
};

template <typename T>
T* make_fake(Recorder* recorder, const std::string& kind) {
    auto object = std::make_unique<T>();
    T* raw = object.get();
    raw->label = kind + "#" + std::to_string(recorder->nextId++);
    raw->recorder = recorder;
    raw->info = recorder->objectInfo.size();
    recorder->objectInfo.push_back({raw->label, 0});
    recorder->objects.push_back(std::move(object));
    return raw;
}

}  // namespace

// ---------------------------------------------------------------- log, failures, recorder

std::vector<std::string> CallLog::texts() const { return texts_without({}, 0); }

std::vector<std::string> CallLog::texts_without(const std::vector<std::string>& skip, std::size_t from) const {
    std::vector<std::string> out;
    for (std::size_t i = from; i < calls.size(); ++i) {
        bool skipped = false;
        for (const auto& s : skip) skipped = skipped || calls[i].name == s;
        if (!skipped) out.push_back(calls[i].text());
    }
    return out;
}

int CallLog::count(const std::string& name) const {
    int n = 0;
    for (const auto& c : calls) n += c.name == name;
    return n;
}

int CallLog::index_of(const std::string& text, std::size_t from) const {
    for (std::size_t i = from; i < calls.size(); ++i)
        if (calls[i].text() == text) return static_cast<int>(i);
    return -1;
}

const RecordedCall* CallLog::last(const std::string& name) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

std::string CallLog::dump() const {
    std::string out;
    for (std::size_t i = 0; i < calls.size(); ++i) out += std::to_string(i) + ": " + calls[i].text() + "\n";
    return out;
}

void FailureScript::fail(const std::string& name, HResult code, const std::string& argsPrefix, int skip, int times) {
    rules_.push_back({name, argsPrefix, code, skip, times});
}

HResult FailureScript::check(const std::string& name, const std::string& args) {
    for (auto& rule : rules_) {
        if (rule.name != name || args.compare(0, rule.argsPrefix.size(), rule.argsPrefix) != 0) continue;
        if (rule.skip > 0) {
            --rule.skip;
            continue;
        }
        if (rule.times == 0) continue;
        if (rule.times > 0) --rule.times;
        return rule.code;
    }
    return kOk;
}

HResult Recorder::record(const std::string& name, const std::string& args) {
    log.add({name, args, {}, {}, {}, {}});
    return failures.check(name, args);
}

int Recorder::live_objects() const {
    int n = 0;
    for (const auto& info : objectInfo) n += info.releases == 0;
    return n;
}

std::vector<std::string> Recorder::leaked() const {
    std::vector<std::string> out;
    for (const auto& info : objectInfo)
        if (info.releases == 0) out.push_back(info.label);
    return out;
}

int Recorder::over_released() const {
    int n = 0;
    for (const auto& info : objectInfo) n += info.releases > 1;
    return n;
}

void FakeObject::mark_released() {
    recorder->log.add({"release", label, {}, {}, {}, {}});
    ++recorder->objectInfo[info].releases;
}

std::string label_of(const GraphicsObject* object) {
    if (!object) return "null";
    if (auto* l = dynamic_cast<const FakeObject*>(object)) return l->label;
    return "?";
}

std::string escape_text(const char* text, int count) {
    if (!text) return "<null>";
    std::size_t n = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7E) {
            out += fmt("\\x%02X", c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string format_matrix(const Matrix& m) {
    std::string out = "[";
    for (int i = 0; i < 4; ++i) {
        if (i) out += " | ";
        out += g(m.m[i][0]) + " " + g(m.m[i][1]) + " " + g(m.m[i][2]) + " " + g(m.m[i][3]);
    }
    return out + "]";
}

std::string format_rect(const Rect* rect) {
    if (!rect) return "null";
    return fmt("{%d %d %d %d}", rect->left, rect->top, rect->right, rect->bottom);
}

}  // namespace brine::test

namespace brine::test {

namespace {

template <typename T>
T* make_object(Recorder* recorder, const std::string& kind, bool numbered = true) {
    auto object = std::make_unique<T>();
    T* raw = object.get();
    raw->label = numbered ? kind + "#" + std::to_string(recorder->nextId++) : kind;
    raw->recorder = recorder;
    raw->info = recorder->objectInfo.size();
    recorder->objectInfo.push_back({raw->label, 0});
    recorder->objects.push_back(std::move(object));
    return raw;
}

std::uint32_t vertex_count(std::uint32_t type, std::uint32_t primitives) {
    switch (type) {
        case kPtPointList: return primitives;
        case kPtLineList: return primitives * 2;
        case 3: return primitives + 1;  // line strip
        case kPtTriangleList: return primitives * 3;
        default: return primitives + 2;  // strips and fans
    }
}

std::uint32_t full_chain(std::uint32_t w, std::uint32_t h) {
    std::uint32_t levels = 1;
    while (w > 1 || h > 1) {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        ++levels;
    }
    return levels;
}

}  // namespace

// ---------------------------------------------------------------- recording device

RecordingDevice::RecordingDevice() : own_(std::make_unique<Recorder>()), recorder_(own_.get()) {}
RecordingDevice::RecordingDevice(Recorder* shared) : recorder_(shared) {}
RecordingDevice::~RecordingDevice() = default;

HResult RecordingDevice::clear(std::uint32_t rectCount, const Rect* rects, std::uint32_t flags, D3DColor color,
                               float z, std::uint32_t stencil) {
    HResult hr = recorder_->record("clear", std::to_string(rectCount) + ", " + format_rect(rects) + ", " +
                                                hex(flags) + ", " + fmt("0x%08X", color) + ", " + g(z) + ", " +
                                                std::to_string(stencil));
    if (succeeded(hr) && rectCount == 0 && (flags & kClearTarget)) clearColour = color;
    return hr;
}

HResult RecordingDevice::begin_scene() { return recorder_->record("begin_scene", ""); }
HResult RecordingDevice::end_scene() { return recorder_->record("end_scene", ""); }
HResult RecordingDevice::present() { return recorder_->record("present", ""); }

HResult RecordingDevice::reset(const PresentParams& p) {
    HResult hr = recorder_->record("reset", fmt("%u, %u, format %u, depth %u, windowed %d", p.backBufferWidth,
                                                p.backBufferHeight, p.backBufferFormat, p.autoDepthStencilFormat,
                                                p.windowed));
    if (succeeded(hr)) params = p;
    return hr;
}

HResult RecordingDevice::set_render_state(std::uint32_t state, std::uint32_t value) {
    std::string v;
    if (state == kRsAmbient) {
        v = fmt("0x%08X", value);
    } else if (state == kRsPointSize) {
        float f;
        std::memcpy(&f, &value, sizeof f);
        v = g(f) + "f";
    } else {
        v = std::to_string(value);
    }
    return recorder_->record("set_render_state", render_state_name(state) + ", " + v);
}

HResult RecordingDevice::set_texture_stage_state(std::uint32_t stage, std::uint32_t type, std::uint32_t value) {
    return recorder_->record("set_texture_stage_state",
                             std::to_string(stage) + ", " + stage_state_name(type) + ", " + std::to_string(value));
}

HResult RecordingDevice::set_transform(std::uint32_t state, const Matrix& matrix) {
    HResult hr = recorder_->record("set_transform", transform_name(state) + ", " + format_matrix(matrix));
    recorder_->log.calls.back().matrix = matrix;
    return hr;
}

HResult RecordingDevice::set_viewport(const Viewport& v) {
    return recorder_->record("set_viewport", fmt("%u %u %u %u ", v.x, v.y, v.width, v.height) + g(v.minZ) + " " +
                                                 g(v.maxZ));
}

HResult RecordingDevice::set_light(std::uint32_t index, const Light& l) {
    return recorder_->record("set_light", std::to_string(index) + ", type " + std::to_string(l.type) + " d" +
                                              colour(l.diffuse) + " s" + colour(l.specular) + " a" + colour(l.ambient) +
                                              " pos" + vec(l.position) + " dir" + vec(l.direction) + " range " +
                                              g(l.range) + " falloff " + g(l.falloff) + " att(" + g(l.attenuation0) +
                                              " " + g(l.attenuation1) + " " + g(l.attenuation2) + ") theta " +
                                              g(l.theta) + " phi " + g(l.phi));
}

HResult RecordingDevice::light_enable(std::uint32_t index, bool enable) {
    return recorder_->record("light_enable", std::to_string(index) + ", " + (enable ? "1" : "0"));
}

HResult RecordingDevice::set_material(const Material& m) {
    return recorder_->record("set_material", "d" + colour(m.diffuse) + " a" + colour(m.ambient) + " s" +
                                                 colour(m.specular) + " e" + colour(m.emissive) + " p " + g(m.power));
}

HResult RecordingDevice::set_texture(std::uint32_t stage, Texture* texture) {
    return recorder_->record("set_texture", std::to_string(stage) + ", " + label_of(texture));
}

HResult RecordingDevice::set_fvf(std::uint32_t fvf) { return recorder_->record("set_fvf", hex(fvf)); }

HResult RecordingDevice::set_software_vertex_processing(bool software) {
    return recorder_->record("set_software_vertex_processing", software ? "1" : "0");
}

HResult RecordingDevice::draw_primitive_up(std::uint32_t type, std::uint32_t primitiveCount, const void* vertices,
                                           std::uint32_t stride) {
    HResult hr = recorder_->record("draw_primitive_up", std::to_string(type) + ", " + std::to_string(primitiveCount) +
                                                            ", " + std::to_string(stride));
    if (vertices && stride % 4 == 0) {
        std::size_t n = static_cast<std::size_t>(vertex_count(type, primitiveCount)) * stride / 4;
        auto& floats = recorder_->log.calls.back().floats;
        floats.resize(n);
        std::memcpy(floats.data(), vertices, n * 4);
    }
    return hr;
}

HResult RecordingDevice::create_vertex_buffer(const void*, std::uint32_t size, std::uint32_t fvf, VertexBuffer** out) {
    *out = nullptr;
    HResult hr = recorder_->record("create_vertex_buffer", std::to_string(size) + ", " + hex(fvf));
    if (succeeded(hr)) *out = make_object<FakeVertexBuffer>(recorder_, "vertices");
    return hr;
}

HResult RecordingDevice::create_index_buffer(const void*, std::uint32_t size, bool index32, IndexBuffer** out) {
    *out = nullptr;
    HResult hr = recorder_->record("create_index_buffer", std::to_string(size) + ", " + (index32 ? "32" : "16"));
    if (succeeded(hr)) *out = make_object<FakeIndexBuffer>(recorder_, "indices");
    return hr;
}

HResult RecordingDevice::set_stream_source(VertexBuffer* buffer, std::uint32_t stride) {
    return recorder_->record("set_stream_source", label_of(buffer) + ", " + std::to_string(stride));
}

HResult RecordingDevice::set_indices(IndexBuffer* buffer) { return recorder_->record("set_indices", label_of(buffer)); }

HResult RecordingDevice::draw_indexed_primitive(std::uint32_t type, std::int32_t baseVertexIndex,
                                                std::uint32_t minIndex, std::uint32_t numVertices,
                                                std::uint32_t startIndex, std::uint32_t primitiveCount) {
    return recorder_->record("draw_indexed_primitive", fmt("%u, %d, %u, %u, %u, %u", type, baseVertexIndex, minIndex,
                                                           numVertices, startIndex, primitiveCount));
}

HResult RecordingDevice::read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) {
    HResult hr = recorder_->record("read_back_buffer", fmt("%u, %u", width, height));
    if (failed(hr)) return hr;
    if (!pixels || width != backBufferWidth || height != backBufferHeight) return kInvalidArg;
    std::fill(pixels, pixels + std::size_t(width) * height, clearColour | 0xFF000000u);
    return hr;
}

HResult RecordingDevice::get_back_buffer(std::uint32_t swapChain, std::uint32_t index, Surface** out) {
    *out = nullptr;
    HResult hr = recorder_->record("get_back_buffer", std::to_string(swapChain) + ", " + std::to_string(index));
    if (failed(hr)) return hr;
    auto* s = make_object<FakeSurface>(recorder_, "backbuffer", false);
    s->w = backBufferWidth;
    s->h = backBufferHeight;
    *out = s;
    return hr;
}

HResult RecordingDevice::stretch_rect(Surface* source, const Rect* sourceRect, Surface* dest, const Rect* destRect,
                                      std::uint32_t filter) {
    return recorder_->record("stretch_rect", label_of(source) + ", " + format_rect(sourceRect) + ", " +
                                                 label_of(dest) + ", " + format_rect(destRect) + ", " +
                                                 std::to_string(filter));
}

HResult RecordingDevice::create_offscreen_plain_surface(std::uint32_t width, std::uint32_t height,
                                                        std::uint32_t format, std::uint32_t pool, Surface** out) {
    *out = nullptr;
    HResult hr = recorder_->record("create_offscreen_plain_surface", fmt("%u, %u, %u, %u", width, height, format, pool));
    if (failed(hr)) return hr;
    auto* s = make_object<FakeSurface>(recorder_, "surface");
    s->w = width;
    s->h = height;
    *out = s;
    return hr;
}

HResult RecordingDevice::create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                                        std::uint32_t format, std::uint32_t pool, Texture** out) {
    *out = nullptr;
    HResult hr = recorder_->record("create_texture", fmt("%u, %u, %d, %u, %s, %u", image.width, image.height,
                                                         static_cast<int>(mipLevels), usage, hex(format).c_str(), pool));
    if (failed(hr)) return hr;
    auto* t = make_object<FakeTexture>(recorder_, "texture");
    t->levels = (mipLevels == kD3DXDefault || mipLevels == 0) ? full_chain(image.width, image.height) : mipLevels;
    *out = t;
    return hr;
}

HResult RecordingDevice::load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) {
    return recorder_->record("load_surface", label_of(dest) + fmt(", %u, %u, 0x%08X", image.width, image.height,
                                                                  colorKey));
}

HResult RecordingDevice::create_vertex_shader(const VertexShaderSource& source, VertexShader** out) {
    *out = nullptr;
    HResult hr = recorder_->record("create_vertex_shader", std::to_string(source.tokenCount));
    if (source.tokens) recorder_->log.calls.back().tokens.assign(source.tokens, source.tokens + source.tokenCount);
    if (source.text) recorder_->log.calls.back().source.assign(source.text, source.textSize);
    if (succeeded(hr)) *out = make_object<FakeShader>(recorder_, "shader");
    return hr;
}

HResult RecordingDevice::create_effect(const char*, std::uint32_t size, std::uint32_t flags, Effect** out) {
    *out = nullptr;
    HResult hr = recorder_->record("create_effect", std::to_string(size) + ", " + hex(flags));
    if (succeeded(hr)) *out = make_object<FakeEffect>(recorder_, "effect");
    return hr;
}

HResult RecordingDevice::create_font(const LogFont& d, Font** out) {
    *out = nullptr;
    HResult hr = recorder_->record("create_font", fmt("%d, %d, %u, %u, \"", d.height, d.weight, d.charSet, d.quality) +
                                                      escape_text(d.faceName) + "\"");
    if (failed(hr)) return hr;
    auto* f = make_object<FakeFont>(recorder_, "font");
    f->description = d;
    *out = f;
    return hr;
}

void RecordingDevice::release() {
    recorder_->log.add({"release", label, {}, {}, {}, {}});
    ++releases;
}

Texture* RecordingDevice::make_texture(const std::string& name) {
    return make_object<FakeTexture>(recorder_, name, false);
}

Surface* RecordingDevice::make_surface(const std::string& name, std::uint32_t width, std::uint32_t height) {
    auto* s = make_object<FakeSurface>(recorder_, name, false);
    s->w = width;
    s->h = height;
    return s;
}

// ---------------------------------------------------------------- system and platform

RecordingSystem::RecordingSystem(Recorder* shared) : recorder_(shared) {}

HResult RecordingSystem::get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) {
    HResult hr = recorder_->record("get_adapter_display_mode", std::to_string(adapter));
    if (succeeded(hr)) *mode = displayMode;
    return hr;
}

HResult RecordingSystem::get_device_caps(std::uint32_t adapter, std::uint32_t deviceType, DeviceCaps* caps) {
    HResult hr = recorder_->record("get_device_caps", std::to_string(adapter) + ", " + device_type_name(deviceType));
    if (failed(hr)) return hr;
    *caps = deviceType == kDevTypeRef ? refCaps : halCaps;
    caps->deviceType = deviceType;
    caps->adapterOrdinal = adapter;
    return hr;
}

HResult RecordingSystem::check_device_format(std::uint32_t adapter, std::uint32_t deviceType,
                                             std::uint32_t adapterFormat, std::uint32_t usage,
                                             std::uint32_t resourceType, std::uint32_t checkFormat) {
    HResult hr = recorder_->record("check_device_format", std::to_string(adapter) + ", " +
                                                              device_type_name(deviceType) +
                                                              fmt(", %u, %s, %u, %u", adapterFormat,
                                                                  hex(usage).c_str(), resourceType, checkFormat));
    if (failed(hr)) return hr;
    if (checkFormat == kFmtD24S8 && !acceptD24S8) return static_cast<HResult>(0x8876086Au);  // D3DERR_NOTAVAILABLE
    return hr;
}

HResult RecordingSystem::create_device(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                                       std::uint32_t behaviorFlags, const PresentParams& params, GraphicsDevice** out) {
    *out = nullptr;
    // Not %p: each C library spells pointers its own way.
    HResult hr = recorder_->record("create_device", std::to_string(adapter) + ", " + device_type_name(deviceType) +
                                                        ", " + hex(behaviorFlags) +
                                                        fmt(", window 0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(focusWindow))));
    if (failed(hr)) return hr;
    auto device = std::make_unique<RecordingDevice>(recorder_);
    device->label = "device#" + std::to_string(recorder_->nextId++);
    device->params = params;
    device->backBufferWidth = params.backBufferWidth;
    device->backBufferHeight = params.backBufferHeight;
    *out = device.get();
    devices.push_back(std::move(device));
    return hr;
}

void RecordingSystem::release() {
    recorder_->log.add({"release", label, {}, {}, {}, {}});
    ++releases;
}

DeviceCaps RecordingPlatform::full_caps(std::uint32_t deviceType) {
    DeviceCaps caps{};
    caps.deviceType = deviceType;
    caps.maxVertexBlendMatrices = 4;
    caps.maxVertexBlendMatrixIndex = 0;
    caps.vertexShaderVersion = 0xFFFE0101u;
    caps.pixelShaderVersion = 0xFFFF0101u;
    caps.maxTextureWidth = caps.maxTextureHeight = 4096;
    caps.maxPointSize = 64.0f;
    return caps;
}

RecordingPlatform::RecordingPlatform() : halCaps(full_caps(kDevTypeHal)), refCaps(full_caps(kDevTypeRef)) {}

GraphicsSystem* RecordingPlatform::create_graphics_system(std::uint32_t sdkVersion) {
    HResult hr = recorder.record("create_graphics_system", std::to_string(sdkVersion));
    if (failed(hr) || !available) return nullptr;
    auto system = std::make_unique<RecordingSystem>(&recorder);
    system->label = "system#" + std::to_string(recorder.nextId++);
    system->halCaps = halCaps;
    system->refCaps = refCaps;
    system->displayMode = displayMode;
    system->acceptD24S8 = acceptD24S8;
    systems.push_back(std::move(system));
    return systems.back().get();
}

RecordingDevice* RecordingPlatform::last_device() {
    for (auto it = systems.rbegin(); it != systems.rend(); ++it)
        if (!(*it)->devices.empty()) return (*it)->devices.back().get();
    return nullptr;
}

// ---------------------------------------------------------------- null device

namespace {

class NullSurface : public Surface {
public:
    NullSurface(std::uint32_t w, std::uint32_t h, bool owned) : w_(w), h_(h), owned_(owned) {}
    void release() override {
        if (owned_) delete this;
    }
    std::uint32_t width() const override { return w_; }
    std::uint32_t height() const override { return h_; }

private:
    std::uint32_t w_, h_;
    bool owned_;
};

class NullTexture : public Texture {
public:
    void release() override { delete this; }
    std::uint32_t level_count() const override { return 1; }
};

template <typename Base>
class NullObject : public Base {
public:
    void release() override { delete this; }
};

class NullFont : public Font {
public:
    explicit NullFont(std::uint64_t* calls) : calls_(calls) {}
    void release() override { delete this; }
    HResult begin() override { return ++*calls_, kOk; }
    int draw_text(const char*, int, Rect* rect, std::uint32_t, D3DColor) override {
        ++*calls_;
        return rect ? rect->bottom - rect->top : 0;
    }
    HResult end() override { return ++*calls_, kOk; }

private:
    std::uint64_t* calls_;
};

}  // namespace

struct NullDevice::Impl {
    NullSurface backBuffer{640, 480, false};
};

NullDevice::NullDevice() : impl_(std::make_unique<Impl>()) {}
NullDevice::~NullDevice() = default;

HResult NullDevice::create_vertex_buffer(const void*, std::uint32_t, std::uint32_t, VertexBuffer** out) {
    *out = new NullObject<VertexBuffer>();
    return tick();
}

HResult NullDevice::create_index_buffer(const void*, std::uint32_t, bool, IndexBuffer** out) {
    *out = new NullObject<IndexBuffer>();
    return tick();
}

HResult NullDevice::get_back_buffer(std::uint32_t, std::uint32_t, Surface** out) {
    *out = &impl_->backBuffer;
    return tick();
}

HResult NullDevice::read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) {
    if (!pixels || width != impl_->backBuffer.width() || height != impl_->backBuffer.height()) return kInvalidArg;
    std::fill(pixels, pixels + std::size_t(width) * height, 0xFF000000u);
    return tick();
}

HResult NullDevice::create_offscreen_plain_surface(std::uint32_t width, std::uint32_t height, std::uint32_t,
                                                   std::uint32_t, Surface** out) {
    *out = new NullSurface(width, height, true);
    return tick();
}

HResult NullDevice::create_texture(const DecodedImage&, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                   Texture** out) {
    *out = new NullTexture();
    return tick();
}

HResult NullDevice::create_vertex_shader(const VertexShaderSource&, VertexShader** out) {
    *out = new NullObject<VertexShader>();
    return tick();
}

HResult NullDevice::create_effect(const char*, std::uint32_t, std::uint32_t, Effect** out) {
    *out = new NullObject<Effect>();
    return tick();
}

HResult NullDevice::create_font(const LogFont&, Font** out) {
    *out = new NullFont(&calls);
    return tick();
}

}  // namespace brine::test
