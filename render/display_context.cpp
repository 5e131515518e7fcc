// Device bring-up: seed, graphics system, display mode, caps, depth format, device search, then
// the four vertex shaders and the effect out of "initialize.pak".
#include "render/display_context.h"

#include <vector>

#include "data/pack_file.h"
#include "render/shader_text.h"

namespace brine {

namespace {

const char* const kShaderMembers[kVertexShaderSlots] = {"skinmesh1.vsh", "skinmesh2.vsh", "skinmesh3.vsh",
                                                        "skinmesh4.vsh"};
const char* const kEffectMember = "SkinnedMesh.fx";

constexpr std::uint32_t kDeviceTypes[] = {kDevTypeHal, kDevTypeRef};
// Software follows mixed: a HAL without hardware vertex processing still gets a device of its
// own instead of the reference rasteriser.
constexpr std::uint32_t kVertexProcessing[] = {kCreateHardwareVertexProcessing, kCreateMixedVertexProcessing,
                                               kCreateSoftwareVertexProcessing};
constexpr std::uint32_t kNoPixelShaders = 0xFFFF0000u;
constexpr std::uint32_t kVertexShader11 = 0xFFFE0101u;
constexpr std::uint32_t kSwapEffectDiscard = 1;

HResult create_device(DisplayContext& display) {
    std::size_t firstType = display.caps.pixelShaderVersion < kNoPixelShaders ? 1 : 0;
    std::size_t firstMode = display.caps.vertexShaderVersion < kVertexShader11 ? 1 : 0;
    for (std::size_t t = firstType; t < 2; ++t) {
        for (std::size_t m = firstMode; m < 3; ++m) {
            GraphicsDevice* device = nullptr;
            HResult hr = display.direct3d->create_device(0, kDeviceTypes[t], display.deviceWindow,
                                                         kVertexProcessing[m], display.presentParams, &device);
            if (succeeded(hr) && device) {
                display.device = device;
                return kOk;
            }
        }
    }
    return kFail;
}

HResult build_shaders_and_effect(DisplayContext& display, const DisplayServices& services) {
    std::vector<std::uint32_t> tokens;
    for (int slot = 0; slot < kVertexShaderSlots; ++slot) {
        MemoryBlock member;  // freed on every path, also when the assembler refuses it
        if (failed(load_into_memory(services.initializePack, kShaderMembers[slot], &member))) return kFail;
        HResult hr = assemble_shader(member.text(), member.size(), &tokens);
        if (failed(hr)) return hr;
        const VertexShaderSource source{member.text(), static_cast<std::uint32_t>(member.size()), tokens.data(),
                                        static_cast<std::uint32_t>(tokens.size())};
        hr = display.device->create_vertex_shader(source, &display.vertexShaders[slot]);
        if (failed(hr)) {
            display.vertexShaders[slot] = nullptr;
            return hr;
        }
    }
    MemoryBlock effect;
    if (failed(load_into_memory(services.initializePack, kEffectMember, &effect))) return kFail;
    HResult hr = check_effect(effect.text(), effect.size());
    if (failed(hr)) return hr;
    hr = display.device->create_effect(effect.text(), effect.size(), kD3DXShaderDebug, &display.effect);
    if (failed(hr)) display.effect = nullptr;
    return hr;
}

}  // namespace

void release_graphics_system(DisplayContext& display) {
    if (display.direct3d) display.direct3d->release();
    display.direct3d = nullptr;
}

void release_display_objects(DisplayContext& display) {
    if (display.effect) display.effect->release();
    display.effect = nullptr;
    for (auto& shader : display.vertexShaders) {
        if (shader) shader->release();
        shader = nullptr;
    }
    if (display.device) display.device->release();
    display.device = nullptr;
    release_graphics_system(display);
}

HResult init_direct3d(DisplayContext& display, const DisplayServices& services, WindowHandle window,
                      std::int32_t width, std::int32_t height, std::int32_t windowed) {
    services.rand->srand(services.clock->tick_count());

    // A device left by an earlier call would hold the window; nothing of it is reused.
    release_display_objects(display);

    display.direct3d = services.platform->create_graphics_system(kD3DSdkVersion);
    if (!display.direct3d) return kFail;

    DisplayMode mode{};
    if (failed(display.direct3d->get_adapter_display_mode(0, &mode))) return kFail;

    display.caps = DeviceCaps{};
    display.direct3d->get_device_caps(0, kDevTypeHal, &display.caps);  // a failure leaves zero caps

    HResult depth = display.direct3d->check_device_format(display.caps.adapterOrdinal, display.caps.deviceType,
                                                          mode.format, kUsageDepthStencil, kRtypeSurface, kFmtD24S8);

    PresentParams& p = display.presentParams;
    p = PresentParams{};
    p.backBufferWidth = static_cast<std::uint32_t>(width);
    p.backBufferHeight = static_cast<std::uint32_t>(height);
    p.backBufferFormat = mode.format;
    p.backBufferCount = 1;
    p.swapEffect = kSwapEffectDiscard;
    p.deviceWindow = window;
    p.windowed = windowed ? 1 : 0;
    p.enableAutoDepthStencil = 1;
    p.autoDepthStencilFormat = succeeded(depth) ? kFmtD24S8 : kFmtD16;
    display.deviceWindow = window;
    display.deviceWidth = width;
    display.deviceHeight = height;

    if (failed(create_device(display))) return kFail;
    return build_shaders_and_effect(display, services);
}

}  // namespace brine
