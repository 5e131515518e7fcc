// Device bring-up against the recording platform: the search order for each kind of adapter,
// the presentation parameters, the depth format, and the shaders and effect out of the pack.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "data/pack_writer.h"
#include "render/display_context.h"
#include "render/shader_text.h"
#include "tests/support/manual_clock.h"
#include "tests/support/recording_device.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

const char kShader[] = "vs.1.1\ndcl_position v0\nm4x4 oPos, v0, c0\nmov oD0, c4\n";
const char kEffect[] = "technique T0 { pass P0 { VertexShader = compile vs_1_1 Skin(1); } }\n";

class InitDirect3d : public ::testing::Test {
protected:
    void SetUp() override {
        restore_members();
        clock.ticks = 123456;
        services.platform = &platform;
        services.clock = &clock;
        services.rand = &rand;
        pack = scratch.file("initialize.pak");
        services.initializePack = pack.c_str();
    }
    void TearDown() override { release_display_objects(display); }

    void restore_members() {
        members = {{"skinmesh1.vsh", kShader}, {"skinmesh2.vsh", kShader}, {"skinmesh3.vsh", kShader},
                   {"skinmesh4.vsh", kShader}, {"SkinnedMesh.fx", kEffect}};
    }
    // Writes "initialize.pak" from `members`, then brings the display up.
    HResult init(std::int32_t w = 800, std::int32_t h = 600) {
        std::vector<PackMember> list;
        for (const auto& [name, text] : members) list.push_back({name, {text.begin(), text.end()}});
        std::string reason;
        EXPECT_EQ(write_pack_file(pack, list, &reason), kOk) << reason;
        return init_direct3d(display, services, window, w, h, 1);
    }
    std::vector<std::string> device_attempts() const {
        std::vector<std::string> out;
        for (const auto& c : platform.recorder.log.calls)
            if (c.name == "create_device") out.push_back(c.args.substr(0, c.args.find(", window")));
        return out;
    }

    std::map<std::string, std::string> members;
    test::ScratchDir scratch;
    std::string pack;
    test::RecordingPlatform platform;
    test::ManualClock clock;
    CrtRand rand;
    DisplayServices services;
    DisplayContext display;
    WindowHandle window = reinterpret_cast<WindowHandle>(0x5150);
};

TEST_F(InitDirect3d, BringsUpDeviceShadersAndEffectInOrder) {
    ASSERT_EQ(init(), kOk);
    EXPECT_EQ(rand.state(), 123456u);  // seeded from the tick count
    EXPECT_EQ(platform.recorder.log.texts(),
              (std::vector<std::string>{
                  "create_graphics_system(31)",
                  "get_adapter_display_mode(0)",
                  "get_device_caps(0, HAL)",
                  "check_device_format(0, HAL, 22, 0x2, 1, 75)",
                  "create_device(0, HAL, 0x40, window 0x5150)",
                  "create_vertex_shader(5)",
                  "create_vertex_shader(5)",
                  "create_vertex_shader(5)",
                  "create_vertex_shader(5)",
                  "create_effect(" + std::to_string(std::strlen(kEffect)) + ", 0x1)",
              }))
        << platform.recorder.log.dump();
    EXPECT_NE(display.device, nullptr);
    for (auto* shader : display.vertexShaders) EXPECT_NE(shader, nullptr);
    EXPECT_NE(display.effect, nullptr);
    EXPECT_EQ(display.deviceWidth, 800);
    EXPECT_EQ(display.deviceHeight, 600);
    EXPECT_EQ(display.deviceWindow, window);
    const auto* shaderCall = platform.recorder.log.last("create_vertex_shader");
    EXPECT_EQ(shaderCall->tokens, (std::vector<std::uint32_t>{0xFFFE0101u, 31, 20, 1, kShaderEndToken}));
    EXPECT_EQ(shaderCall->source, kShader) << "the member's text, for a backend with its own assembler";
}

TEST_F(InitDirect3d, PresentationParameters) {
    platform.displayMode.format = kFmtR5G6B5;
    ASSERT_EQ(init(1024, 768), kOk);
    const PresentParams& p = display.presentParams;
    EXPECT_EQ(p.backBufferWidth, 1024u);
    EXPECT_EQ(p.backBufferHeight, 768u);
    EXPECT_EQ(p.backBufferFormat, static_cast<std::uint32_t>(kFmtR5G6B5));
    EXPECT_EQ(p.backBufferCount, 1u);
    EXPECT_EQ(p.multiSampleType, 0u);
    EXPECT_EQ(p.multiSampleQuality, 0u);
    EXPECT_EQ(p.swapEffect, 1u);
    EXPECT_EQ(p.deviceWindow, window);
    EXPECT_EQ(p.windowed, 1);
    EXPECT_EQ(p.enableAutoDepthStencil, 1);
    EXPECT_EQ(p.autoDepthStencilFormat, static_cast<std::uint32_t>(kFmtD24S8));
    EXPECT_EQ(p.flags, 0u);
    EXPECT_EQ(p.fullScreenRefreshRateInHz, 0u);
    EXPECT_EQ(p.presentationInterval, 0u);
    // What the device was created with is what the context keeps for Reset.
    EXPECT_EQ(std::memcmp(&platform.last_device()->params, &p, sizeof p), 0);
    EXPECT_NE(platform.recorder.log.index_of("check_device_format(0, HAL, 23, 0x2, 1, 75)"), -1);
}

TEST_F(InitDirect3d, AdapterWithoutD24S8GetsD16AndNothingElseChanges) {
    ASSERT_EQ(init(), kOk);
    PresentParams with = display.presentParams;
    platform.acceptD24S8 = false;
    ASSERT_EQ(init(), kOk);
    PresentParams without = display.presentParams;
    EXPECT_EQ(without.autoDepthStencilFormat, static_cast<std::uint32_t>(kFmtD16));
    without.autoDepthStencilFormat = with.autoDepthStencilFormat;
    EXPECT_EQ(std::memcmp(&with, &without, sizeof with), 0);
}

struct SearchCase {
    const char* name;
    std::uint32_t vertexShaderVersion, pixelShaderVersion;
    std::vector<std::string> expected;  // every attempt, all failing
};

TEST_F(InitDirect3d, DeviceSearchOrderForEachKindOfAdapter) {
    const SearchCase cases[] = {
        {"full HAL", 0xFFFE0101u, 0xFFFF0101u,
         {"0, HAL, 0x40", "0, HAL, 0x80", "0, HAL, 0x20", "0, REF, 0x40", "0, REF, 0x80", "0, REF, 0x20"}},
        {"no vertex shader 1.1", 0xFFFE0100u, 0xFFFF0101u,
         {"0, HAL, 0x80", "0, HAL, 0x20", "0, REF, 0x80", "0, REF, 0x20"}},
        {"no pixel shader", 0xFFFE0101u, 0x00000000u, {"0, REF, 0x40", "0, REF, 0x80", "0, REF, 0x20"}},
        {"neither", 0, 0, {"0, REF, 0x80", "0, REF, 0x20"}},
        {"pixel shader 0.0 reported", 0xFFFE0101u, 0xFFFF0000u,
         {"0, HAL, 0x40", "0, HAL, 0x80", "0, HAL, 0x20", "0, REF, 0x40", "0, REF, 0x80", "0, REF, 0x20"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform.recorder.log.clear();
        platform.recorder.failures.clear();
        platform.recorder.failures.fail("create_device", kFail);
        platform.halCaps.vertexShaderVersion = c.vertexShaderVersion;
        platform.halCaps.pixelShaderVersion = c.pixelShaderVersion;
        EXPECT_EQ(init(), kFail);
        EXPECT_EQ(device_attempts(), c.expected);
        EXPECT_EQ(display.device, nullptr);
        EXPECT_EQ(platform.recorder.log.count("create_vertex_shader"), 0);
    }
}

TEST_F(InitDirect3d, SearchStopsAtTheFirstDeviceMade) {
    platform.recorder.failures.fail("create_device", kFail, "0, HAL, 0x40");
    platform.recorder.failures.fail("create_device", kFail, "0, HAL, 0x80");
    ASSERT_EQ(init(), kOk);
    EXPECT_EQ(device_attempts(), (std::vector<std::string>{"0, HAL, 0x40", "0, HAL, 0x80", "0, HAL, 0x20"}));
    // The HAL's caps stay in the context whichever device was made.
    platform.recorder.failures.clear();
    platform.recorder.failures.fail("create_device", kFail, "0, HAL");
    platform.halCaps.maxVertexBlendMatrices = 3;
    platform.refCaps.maxVertexBlendMatrices = 9;
    ASSERT_EQ(init(), kOk);
    EXPECT_EQ(device_attempts().back(), "0, REF, 0x40");
    EXPECT_EQ(display.caps.maxVertexBlendMatrices, 3u);
    EXPECT_EQ(display.caps.deviceType, static_cast<std::uint32_t>(kDevTypeHal));
}

TEST_F(InitDirect3d, NoGraphicsOrNoDisplayModeIsFail) {
    platform.available = false;
    EXPECT_EQ(init(), kFail);
    EXPECT_EQ(display.direct3d, nullptr);
    platform.available = true;
    platform.recorder.failures.fail("get_adapter_display_mode", static_cast<HResult>(0x8876086Cu));
    EXPECT_EQ(init(), kFail);
    EXPECT_EQ(platform.recorder.log.count("create_device"), 0);
}

TEST_F(InitDirect3d, MissingThirdShaderFailsAfterTwoSlotsWithoutTheEffect) {
    members.erase("skinmesh3.vsh");
    EXPECT_EQ(init(), kFail);
    EXPECT_NE(display.vertexShaders[0], nullptr);
    EXPECT_NE(display.vertexShaders[1], nullptr);
    EXPECT_EQ(display.vertexShaders[2], nullptr);
    EXPECT_EQ(display.vertexShaders[3], nullptr);
    EXPECT_EQ(display.effect, nullptr);
    EXPECT_EQ(platform.recorder.log.count("create_effect"), 0);
}

TEST_F(InitDirect3d, FailuresGiveTheirOwnCodes) {
    members["skinmesh2.vsh"] = "vs.1.1\nfoo r0, v0\n";
    EXPECT_EQ(init(), kInvalidData);  // the assembler's code, not E_FAIL
    EXPECT_EQ(platform.recorder.log.count("create_vertex_shader"), 1);

    restore_members();
    const HResult outOfVideoMemory = static_cast<HResult>(0x8876017Cu);
    platform.recorder.failures.fail("create_vertex_shader", outOfVideoMemory, "", 3);
    EXPECT_EQ(init(), outOfVideoMemory);
    EXPECT_EQ(display.vertexShaders[3], nullptr);

    platform.recorder.failures.clear();
    members["SkinnedMesh.fx"] = "technique T { pass P { }";
    EXPECT_EQ(init(), kInvalidData);

    members["SkinnedMesh.fx"] = kEffect;
    platform.recorder.failures.fail("create_effect", kOutOfMemory);
    EXPECT_EQ(init(), kOutOfMemory);
    EXPECT_EQ(display.effect, nullptr);

    // No archive at all: the device is made first, then the first member cannot be found.
    std::string missing = scratch.file("missing.pak");
    services.initializePack = missing.c_str();
    platform.recorder.failures.clear();
    platform.recorder.log.clear();
    EXPECT_EQ(init_direct3d(display, services, window, 640, 480, 1), kFail);
    EXPECT_EQ(platform.recorder.log.count("create_device"), 1);
    EXPECT_EQ(platform.recorder.log.count("create_vertex_shader"), 0);
}

TEST_F(InitDirect3d, SecondCallReleasesTheFirstAndKeepsItsOwnObjects) {
    ASSERT_EQ(init(), kOk);
    GraphicsDevice* first = display.device;
    clock.ticks = 99;
    ASSERT_EQ(init(640, 480), kOk);
    EXPECT_NE(display.device, first);
    EXPECT_EQ(display.device, platform.last_device());
    EXPECT_EQ(display.direct3d, platform.last_system());
    EXPECT_EQ(rand.state(), 99u);  // every call reseeds
    EXPECT_EQ(platform.systems[0]->devices[0]->releases, 1);
    EXPECT_EQ(platform.systems[0]->releases, 1);
    // Everything of the first call is gone; only the second call's shaders and effect live.
    EXPECT_EQ(platform.recorder.live_objects(), 5);
    release_display_objects(display);
    EXPECT_EQ(platform.recorder.live_objects(), 0);
    EXPECT_EQ(platform.recorder.over_released(), 0);
    EXPECT_EQ(platform.last_device()->releases, 1);
}

}  // namespace
}  // namespace brine
