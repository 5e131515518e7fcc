// Test doubles of the graphics boundary. RecordingPlatform/System/Device/Font write every call,
// with its arguments, into one shared CallLog as text ("set_render_state(ZENABLE, 1)") so a test
// compares whole sequences; they hand out labelled fake objects ("texture#1", "backbuffer"), can
// be told to fail chosen calls, and report objects that were never or twice released.
// NullDevice does nothing and allocates nothing per call, for benchmarks and allocation counts.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/graphics_device.h"

namespace brine::test {

struct RecordedCall {
    std::string name;   // the interface operation, or "<font>.<operation>" for font calls
    std::string args;   // arguments as text
    Matrix matrix{};    // set_transform's matrix
    std::vector<float> floats;             // draw_primitive_up's vertices as floats
    std::vector<std::uint32_t> tokens;     // create_vertex_shader's tokens
    std::string source;                    // create_vertex_shader's assembler text
    std::string text() const { return name + "(" + args + ")"; }
};

class CallLog {
public:
    void add(RecordedCall call) { calls.push_back(std::move(call)); }
    std::vector<std::string> texts() const;
    // Texts of the calls from index `from` on, leaving out those whose name is in `skip`.
    std::vector<std::string> texts_without(const std::vector<std::string>& skip, std::size_t from = 0) const;
    int count(const std::string& name) const;
    int index_of(const std::string& text, std::size_t from = 0) const;  // -1 when absent
    const RecordedCall* last(const std::string& name) const;
    std::string dump() const;  // one call a line, for failure messages
    void clear() { calls.clear(); }

    std::vector<RecordedCall> calls;
};

// Makes chosen calls fail. A rule matches a call by its name and, when argsPrefix is not
// empty, by the start of its argument text; it lets `skip` matching calls pass first and then
// fails `times` of them (-1: every one).
class FailureScript {
public:
    void fail(const std::string& name, HResult code, const std::string& argsPrefix = "", int skip = 0,
              int times = -1);
    HResult check(const std::string& name, const std::string& args);
    void clear() { rules_.clear(); }

private:
    struct Rule {
        std::string name, argsPrefix;
        HResult code;
        int skip, times;
    };
    std::vector<Rule> rules_;
};

// Every object the doubles hand out, with its fate.
struct FakeObjectInfo {
    std::string label;
    int releases = 0;
};

struct Recorder;

// Base of every fake object: a label for the log and its place in the recorder's list of fates.
class FakeObject {
public:
    virtual ~FakeObject() = default;
    void mark_released();

    std::string label;
    Recorder* recorder = nullptr;
    std::size_t info = 0;
};

// State shared by a platform, its systems, devices and their objects.
struct Recorder {
    CallLog log;
    FailureScript failures;
    std::vector<std::unique_ptr<FakeObject>> objects;  // owned here: release() only marks
    std::vector<FakeObjectInfo> objectInfo;
    int nextId = 1;

    HResult record(const std::string& name, const std::string& args);  // logs, then applies failures
    int live_objects() const;                  // created and not yet released
    std::vector<std::string> leaked() const;   // labels of live objects
    int over_released() const;                 // objects released more than once
};

// Label of an object the doubles made ("null" for a null pointer).
std::string label_of(const GraphicsObject* object);
std::string escape_text(const char* text, int count = -1);  // Shift-JIS bytes as \xNN
std::string format_matrix(const Matrix& m);
std::string format_rect(const Rect* rect);

class RecordingDevice : public GraphicsDevice {
public:
    RecordingDevice();                          // with a recorder of its own
    explicit RecordingDevice(Recorder* shared);
    ~RecordingDevice() override;

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
    HResult create_vertex_buffer(const void* data, std::uint32_t size, std::uint32_t fvf, VertexBuffer** out) override;
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
    // Reads as the colour of the last whole-target clear, opaque (black before any).
    HResult read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) override;
    HResult create_texture(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, Texture** out) override;
    HResult load_surface(Surface* dest, const DecodedImage& image, D3DColor colorKey) override;
    HResult create_vertex_shader(const VertexShaderSource& source, VertexShader** out) override;
    HResult create_effect(const char* text, std::uint32_t size, std::uint32_t flags, Effect** out) override;
    HResult create_font(const LogFont& description, Font** out) override;
    void release() override;

    // Fake objects a test hands to the code under test (registry entries and the like).
    Texture* make_texture(const std::string& label);
    Surface* make_surface(const std::string& label, std::uint32_t width, std::uint32_t height);

    Recorder& recorder() { return *recorder_; }
    CallLog& log() { return recorder_->log; }
    FailureScript& failures() { return recorder_->failures; }
    std::string label = "device";  // "device#n" when a system made it
    std::uint32_t backBufferWidth = 640, backBufferHeight = 480;
    PresentParams params{};     // as created or last reset
    int releases = 0;
    D3DColor clearColour = 0;   // of the last clear of the whole target

private:
    std::unique_ptr<Recorder> own_;
    Recorder* recorder_;
};

// IDirect3D9 double: answers from the configured caps, mode and format support.
class RecordingSystem : public GraphicsSystem {
public:
    explicit RecordingSystem(Recorder* shared);
    HResult get_adapter_display_mode(std::uint32_t adapter, DisplayMode* mode) override;
    HResult get_device_caps(std::uint32_t adapter, std::uint32_t deviceType, DeviceCaps* caps) override;
    HResult check_device_format(std::uint32_t adapter, std::uint32_t deviceType, std::uint32_t adapterFormat,
                                std::uint32_t usage, std::uint32_t resourceType, std::uint32_t checkFormat) override;
    HResult create_device(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                          std::uint32_t behaviorFlags, const PresentParams& params, GraphicsDevice** out) override;
    void release() override;

    DeviceCaps halCaps{}, refCaps{};
    DisplayMode displayMode{1024, 768, 60, kFmtX8R8G8B8};
    bool acceptD24S8 = true;
    std::string label;  // "system#n"
    int releases = 0;
    std::vector<std::unique_ptr<RecordingDevice>> devices;

private:
    Recorder* recorder_;
};

// Direct3DCreate9 double. Systems and devices it makes share its recorder; the settings
// below are copied into each new system.
class RecordingPlatform : public GraphicsPlatform {
public:
    RecordingPlatform();
    GraphicsSystem* create_graphics_system(std::uint32_t sdkVersion) override;

    RecordingSystem* last_system() { return systems.empty() ? nullptr : systems.back().get(); }
    RecordingDevice* last_device();

    // Caps of a full HAL: vertex shader 1.1, pixel shader 1.1, four blend matrices.
    static DeviceCaps full_caps(std::uint32_t deviceType);

    Recorder recorder;
    bool available = true;  // false: create_graphics_system gives null
    DeviceCaps halCaps, refCaps;
    DisplayMode displayMode{1024, 768, 60, kFmtX8R8G8B8};
    bool acceptD24S8 = true;
    std::vector<std::unique_ptr<RecordingSystem>> systems;
};

// A device that does nothing: every call succeeds, nothing is recorded and no call made while
// drawing allocates (the back buffer is one surface kept for the device's life).
class NullDevice : public GraphicsDevice {
public:
    NullDevice();
    ~NullDevice() override;
    HResult clear(std::uint32_t, const Rect*, std::uint32_t, D3DColor, float, std::uint32_t) override { return tick(); }
    HResult begin_scene() override { return tick(); }
    HResult end_scene() override { return tick(); }
    HResult present() override { return tick(); }
    HResult reset(const PresentParams&) override { return tick(); }
    HResult set_render_state(std::uint32_t, std::uint32_t) override { return tick(); }
    HResult set_texture_stage_state(std::uint32_t, std::uint32_t, std::uint32_t) override { return tick(); }
    HResult set_transform(std::uint32_t, const Matrix&) override { return tick(); }
    HResult set_viewport(const Viewport&) override { return tick(); }
    HResult set_light(std::uint32_t, const Light&) override { return tick(); }
    HResult light_enable(std::uint32_t, bool) override { return tick(); }
    HResult set_material(const Material&) override { return tick(); }
    HResult set_texture(std::uint32_t, Texture*) override { return tick(); }
    HResult set_fvf(std::uint32_t) override { return tick(); }
    HResult set_software_vertex_processing(bool) override { return tick(); }
    HResult draw_primitive_up(std::uint32_t, std::uint32_t, const void*, std::uint32_t) override { return tick(); }
    HResult create_vertex_buffer(const void*, std::uint32_t, std::uint32_t, VertexBuffer** out) override;
    HResult create_index_buffer(const void*, std::uint32_t, bool, IndexBuffer** out) override;
    HResult set_stream_source(VertexBuffer*, std::uint32_t) override { return tick(); }
    HResult set_indices(IndexBuffer*) override { return tick(); }
    HResult draw_indexed_primitive(std::uint32_t, std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                   std::uint32_t) override {
        return tick();
    }
    HResult get_back_buffer(std::uint32_t, std::uint32_t, Surface** out) override;
    HResult stretch_rect(Surface*, const Rect*, Surface*, const Rect*, std::uint32_t) override { return tick(); }
    HResult create_offscreen_plain_surface(std::uint32_t width, std::uint32_t height, std::uint32_t, std::uint32_t,
                                           Surface** out) override;
    HResult read_back_buffer(std::uint32_t width, std::uint32_t height, std::uint32_t* pixels) override;  // black
    HResult create_texture(const DecodedImage&, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                           Texture** out) override;
    HResult load_surface(Surface*, const DecodedImage&, D3DColor) override { return tick(); }
    HResult create_vertex_shader(const VertexShaderSource&, VertexShader** out) override;
    HResult create_effect(const char*, std::uint32_t, std::uint32_t, Effect** out) override;
    HResult create_font(const LogFont&, Font** out) override;
    void release() override {}

    std::uint64_t calls = 0;  // every call made on the device or its fonts

private:
    HResult tick() {
        ++calls;
        return kOk;
    }
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace brine::test
