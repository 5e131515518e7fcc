// One frame, call by call, against the sequence worked out by hand from the frame's order:
// fixed states, clear, scene, wallpaper, camera, light, fish in draw order, active pellets,
// captions in slot order, ticker, present. Also the lost device and the frame's allocations.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "data/pack_writer.h"
#include "render/frame.h"
#include "tests/support/render_fakes.h"
#include "tests/support/scratch_dir.h"

// Counts allocations while a test asks for it; the whole test program shares these.
namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

// The replacements pair malloc with free, which GCC cannot see through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (gCounting) ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (gCounting) ++gAllocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace brine {
namespace {

// The scene as init_scene builds it in a directory holding "texture.pak" (food.dds) and a
// 100 x 100 wallpaper; two fish, three active pellets, all captions and the ticker on.
class RenderFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = std::make_unique<test::CurrentDirGuard>(scratch.path());
        std::string reason;
        ASSERT_EQ(write_pack_file("texture.pak", {{"food.dds", {'I', 'M', 'G', ' ', '8', ' ', '8'}}}, &reason), kOk);
        test::write_text("bg.img", "IMG 100 100");

        display.device = &device;
        display.deviceWidth = 640;
        display.deviceHeight = 480;
        display.presentParams.backBufferWidth = 640;
        display.presentParams.backBufferHeight = 480;
        display.presentParams.backBufferFormat = kFmtX8R8G8B8;
        display.presentParams.autoDepthStencilFormat = kFmtD24S8;
        display.presentParams.windowed = 1;
        settings.wallpaperFile = "bg.img";
        ASSERT_EQ(init_scene(scene, settings), kOk);

        SceneObject* a = tank.add_fish(0, "Kin", 7, {0, 0, 0}, &meshes);
        SceneObject* b = tank.add_fish(3, "\x8B\xE0\x8B\x9B", 10, {0, 50, 0}, &meshes);  // 金魚 (goldfish)
        meshes.labels[static_cast<MeshResource*>(a->drawable)] = "fishA";
        meshes.labels[static_cast<MeshResource*>(b->drawable)] = "fishB";
        const std::int32_t order[16] = {3, 0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        std::copy(order, order + 16, tank.order);
        const std::pair<int, Vec3> pellets[] = {{1, {10, 20, 30}}, {4, {-5, 0, 0}}, {9, {0, -75, 0}}};
        for (const auto& [i, at] : pellets) {
            tank.active[i] = 1;
            tank.boards[i]->set_position(at.x, at.y, at.z);
            tank.boards[i]->build_world_matrix();
        }
        topics.texts = {"News"};
        device.log().clear();
    }
    void TearDown() override { registry.release_all_resources(); }

    FrameInputs inputs() {
        return FrameInputs{width, height, wallpaperMode, showNames, showSatiety, showTopics,
                           fishDrawModeFlag, topicIndex, topicScroll, &topics};
    }

    test::ScratchDir scratch;
    std::unique_ptr<test::CurrentDirGuard> cwd;
    test::RecordingDevice device;
    DisplayContext display;
    ResourceRegistry registry;
    test::FakeTank tank;
    test::LoggingMeshes meshes{&device.recorder()};
    test::FakeTopics topics;
    Scene scene{SceneServices{&display, &registry, &tank, &meshes, test::fake_decode_image}};
    SceneSettings settings;
    std::int32_t width = 640, height = 480, wallpaperMode = 1007;
    std::int32_t showNames = 1, showSatiety = 1, showTopics = 1, fishDrawModeFlag = 0;
    std::int32_t topicIndex = 0, topicScroll = 100;
};

TEST_F(RenderFrameTest, CallSequenceOfOneFrame) {
    ASSERT_EQ(render_frame(scene, inputs(), tank), kOk);
    const std::vector<std::string> expected = {
        // 1. fixed states
        "set_render_state(ZENABLE, 1)",
        "set_render_state(FILLMODE, 3)",
        "set_render_state(CULLMODE, 3)",
        "set_render_state(SHADEMODE, 2)",
        "set_render_state(LIGHTING, 1)",
        "set_render_state(DITHERENABLE, 1)",
        "set_render_state(AMBIENT, 0x00555555)",
        "set_render_state(SPECULARENABLE, 0)",
        "set_texture_stage_state(0, COLOROP, 1)",
        "set_texture_stage_state(0, COLORARG1, 0)",
        "set_texture_stage_state(0, COLORARG2, 2)",
        "set_texture_stage_state(0, ALPHAOP, 1)",
        "set_texture_stage_state(0, ALPHAARG1, 0)",
        "set_texture_stage_state(0, ALPHAARG2, 2)",
        "set_texture_stage_state(1, COLOROP, 1)",
        "set_texture_stage_state(1, COLORARG1, 0)",
        "set_texture_stage_state(1, COLORARG2, 2)",
        "set_texture_stage_state(1, ALPHAOP, 1)",
        "set_texture_stage_state(1, ALPHAARG1, 0)",
        "set_texture_stage_state(1, ALPHAARG2, 2)",
        "set_texture_stage_state(2, COLOROP, 1)",
        "set_texture_stage_state(2, COLORARG1, 0)",
        "set_texture_stage_state(2, COLORARG2, 2)",
        "set_texture_stage_state(2, ALPHAOP, 1)",
        "set_texture_stage_state(2, ALPHAARG1, 0)",
        "set_texture_stage_state(2, ALPHAARG2, 2)",
        "set_texture_stage_state(3, COLOROP, 1)",
        "set_texture_stage_state(3, COLORARG1, 0)",
        "set_texture_stage_state(3, COLORARG2, 2)",
        "set_texture_stage_state(3, ALPHAOP, 1)",
        "set_texture_stage_state(3, ALPHAARG1, 0)",
        "set_texture_stage_state(3, ALPHAARG2, 2)",
        // 2-6. clear, scene, wallpaper stretched over the back buffer
        "clear(0, null, 0x3, 0x004F4FFF, 1, 0)",
        "begin_scene()",
        "get_back_buffer(0, 0)",
        "stretch_rect(surface#3, {0 0 100 100}, backbuffer, {0 0 640 480}, 0)",
        "release(backbuffer)",
        // 7-8. camera and light
        "set_transform(VIEW, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 0 300 1])",
        "set_transform(PROJECTION, [1.81066 0 0 0 | 0 2.41421 0 0 | 0 0 1.001 1 | 0 0 -1.001 0])",
        "set_light(0, type 3 d(1 1 1 1) s(0 0 0 1) a(0.75 0.75 0.75 1) pos(0 0 0) dir(0 -1 1) range 120 "
        "falloff 1 att(1 0 0) theta 0 phi 0)",
        "light_enable(0, 1)",
        // 9. fish in draw order: slot 3 first, then slot 0; solid, lit, no culling, own materials
        "set_mesh_overrides(fishB, 0, 0)",
        "set_render_state(LIGHTING, 1)",
        "set_render_state(ZENABLE, 1)",
        "set_render_state(CULLMODE, 1)",
        "set_render_state(FILLMODE, 3)",
        "set_render_state(ALPHABLENDENABLE, 0)",
        "set_texture_stage_state(0, COLOROP, 4)",
        "set_texture_stage_state(0, COLORARG1, 2)",
        "set_texture_stage_state(0, COLORARG2, 0)",
        "set_texture_stage_state(0, ALPHAOP, 4)",
        "set_texture_stage_state(0, ALPHAARG1, 2)",
        "set_texture_stage_state(0, ALPHAARG2, 0)",
        "set_material(d(1 1 1 1) a(1 1 1 1) s(0 0 0 0) e(0 0 0 0) p 0)",
        "set_texture(0, null)",
        "set_texture(1, null)",
        "set_texture(2, null)",
        "set_texture(3, null)",
        "set_transform(WORLD, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 50 0 1])",
        "draw_mesh(fishB)",
        "set_mesh_overrides(fishA, 0, 0)",
        "set_render_state(LIGHTING, 1)",
        "set_render_state(ZENABLE, 1)",
        "set_render_state(CULLMODE, 1)",
        "set_render_state(FILLMODE, 3)",
        "set_render_state(ALPHABLENDENABLE, 0)",
        "set_texture_stage_state(0, COLOROP, 4)",
        "set_texture_stage_state(0, COLORARG1, 2)",
        "set_texture_stage_state(0, COLORARG2, 0)",
        "set_texture_stage_state(0, ALPHAOP, 4)",
        "set_texture_stage_state(0, ALPHAARG1, 2)",
        "set_texture_stage_state(0, ALPHAARG2, 0)",
        "set_material(d(1 1 1 1) a(1 1 1 1) s(0 0 0 0) e(0 0 0 0) p 0)",
        "set_texture(0, null)",
        "set_texture(1, null)",
        "set_texture(2, null)",
        "set_texture(3, null)",
        "set_transform(WORLD, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 0 0 1])",
        "draw_mesh(fishA)",
        // 10. active pellets 1, 4, 9: unlit, depth, culling, alpha blended, food texture
        "set_render_state(LIGHTING, 0)",
        "set_render_state(ZENABLE, 1)",
        "set_render_state(CULLMODE, 3)",
        "set_render_state(FILLMODE, 3)",
        "set_render_state(ALPHABLENDENABLE, 1)",
        "set_render_state(SRCBLEND, 5)",
        "set_render_state(DESTBLEND, 6)",
        "set_texture_stage_state(0, COLOROP, 4)",
        "set_texture_stage_state(0, COLORARG1, 2)",
        "set_texture_stage_state(0, COLORARG2, 0)",
        "set_texture_stage_state(0, ALPHAOP, 4)",
        "set_texture_stage_state(0, ALPHAARG1, 2)",
        "set_texture_stage_state(0, ALPHAARG2, 0)",
        "set_material(d(1 1 1 1) a(0.5 0.5 0.5 1) s(0 0 0 0) e(0 0 0 0) p 0)",
        "set_texture(0, texture#2)",
        "set_texture(1, null)",
        "set_texture(2, null)",
        "set_texture(3, null)",
        "set_transform(WORLD, [3 0 0 0 | 0 3 0 0 | 0 0 3 0 | 10 20 30 1])",
        "set_fvf(0x102)",
        "draw_primitive_up(5, 2, 20)",
        "set_render_state(LIGHTING, 0)",
        "set_render_state(ZENABLE, 1)",
        "set_render_state(CULLMODE, 3)",
        "set_render_state(FILLMODE, 3)",
        "set_render_state(ALPHABLENDENABLE, 1)",
        "set_render_state(SRCBLEND, 5)",
        "set_render_state(DESTBLEND, 6)",
        "set_texture_stage_state(0, COLOROP, 4)",
        "set_texture_stage_state(0, COLORARG1, 2)",
        "set_texture_stage_state(0, COLORARG2, 0)",
        "set_texture_stage_state(0, ALPHAOP, 4)",
        "set_texture_stage_state(0, ALPHAARG1, 2)",
        "set_texture_stage_state(0, ALPHAARG2, 0)",
        "set_material(d(1 1 1 1) a(0.5 0.5 0.5 1) s(0 0 0 0) e(0 0 0 0) p 0)",
        "set_texture(0, texture#2)",
        "set_texture(1, null)",
        "set_texture(2, null)",
        "set_texture(3, null)",
        "set_transform(WORLD, [3 0 0 0 | 0 3 0 0 | 0 0 3 0 | -5 0 0 1])",
        "set_fvf(0x102)",
        "draw_primitive_up(5, 2, 20)",
        "set_render_state(LIGHTING, 0)",
        "set_render_state(ZENABLE, 1)",
        "set_render_state(CULLMODE, 3)",
        "set_render_state(FILLMODE, 3)",
        "set_render_state(ALPHABLENDENABLE, 1)",
        "set_render_state(SRCBLEND, 5)",
        "set_render_state(DESTBLEND, 6)",
        "set_texture_stage_state(0, COLOROP, 4)",
        "set_texture_stage_state(0, COLORARG1, 2)",
        "set_texture_stage_state(0, COLORARG2, 0)",
        "set_texture_stage_state(0, ALPHAOP, 4)",
        "set_texture_stage_state(0, ALPHAARG1, 2)",
        "set_texture_stage_state(0, ALPHAARG2, 0)",
        "set_material(d(1 1 1 1) a(0.5 0.5 0.5 1) s(0 0 0 0) e(0 0 0 0) p 0)",
        "set_texture(0, texture#2)",
        "set_texture(1, null)",
        "set_texture(2, null)",
        "set_texture(3, null)",
        "set_transform(WORLD, [3 0 0 0 | 0 3 0 0 | 0 0 3 0 | 0 -75 0 1])",
        "set_fvf(0x102)",
        "draw_primitive_up(5, 2, 20)",
        // 11. captions with the 12-pixel font: copyright (34 bytes) at (320, 20), then slot 0 at
        // screen (320, 240): "Kin" at (310, 200), "満腹度(7)" (9 bytes) at (289, 280); slot 3 at
        // screen (320, 143.4): "金魚" (4 bytes) at (306, 103), "満腹度(10)" (10 bytes) at (285, 183)
        "font#1.begin()",
        "font#1.draw_text(\"Brinelight Vespera 0.44 (C) Orvane\", -1, {321 21 408 33}, 0x900, 0xFF000000)",
        "font#1.draw_text(\"Brinelight Vespera 0.44 (C) Orvane\", -1, {320 20 407 32}, 0x900, 0xFF00FF00)",
        "font#1.draw_text(\"Kin\", -1, {311 201 36 213}, 0x900, 0xFF000000)",
        "font#1.draw_text(\"Kin\", -1, {310 200 35 212}, 0x900, 0xFFFFFFFF)",
        "font#1.draw_text(\"\\x96\\x9E\\x95\\xA0\\x93x(7)\", -1, {290 281 108 293}, 0x900, 0xFF000000)",
        "font#1.draw_text(\"\\x96\\x9E\\x95\\xA0\\x93x(7)\", -1, {289 280 107 292}, 0x900, 0xFFFFFFFF)",
        "font#1.draw_text(\"\\x8B\\xE0\\x8B\\x9B\", -1, {307 104 48 116}, 0x900, 0xFF000000)",
        "font#1.draw_text(\"\\x8B\\xE0\\x8B\\x9B\", -1, {306 103 47 115}, 0x900, 0xFFFFFFFF)",
        "font#1.draw_text(\"\\x96\\x9E\\x95\\xA0\\x93x(10)\", -1, {286 184 120 196}, 0x900, 0xFF000000)",
        "font#1.draw_text(\"\\x96\\x9E\\x95\\xA0\\x93x(10)\", -1, {285 183 119 195}, 0x900, 0xFFFFFFFF)",
        "font#1.end()",
        // 12. ticker "News" with the 18-pixel font at (640 - 100, 480 - 32), 9 pixels a byte
        "font#4.begin()",
        "font#4.draw_text(\"N\", 1, {541 449 72 467}, 0x900, 0xFF000000)",
        "font#4.draw_text(\"e\", 1, {550 449 72 467}, 0x900, 0xFF000000)",
        "font#4.draw_text(\"w\", 1, {559 449 72 467}, 0x900, 0xFF000000)",
        "font#4.draw_text(\"s\", 1, {568 449 72 467}, 0x900, 0xFF000000)",
        "font#4.draw_text(\"N\", 1, {540 448 71 466}, 0x900, 0xFF00FFFF)",
        "font#4.draw_text(\"e\", 1, {549 448 71 466}, 0x900, 0xFF00FFFF)",
        "font#4.draw_text(\"w\", 1, {558 448 71 466}, 0x900, 0xFF00FFFF)",
        "font#4.draw_text(\"s\", 1, {567 448 71 466}, 0x900, 0xFF00FFFF)",
        "font#4.end()",
        // 13-14.
        "end_scene()",
        "present()",
    };
    EXPECT_EQ(device.log().texts(), expected) << device.log().dump();
    // The boards were drawn from the registry's vertices: the upright unit quad.
    const auto* draw = device.log().last("draw_primitive_up");
    ASSERT_NE(draw, nullptr);
    EXPECT_EQ(draw->floats, (std::vector<float>{-0.5f, -0.5f, 0, 0, 1, -0.5f, 0.5f, 0, 0, 0,  //
                                                 0.5f, -0.5f, 0, 1, 1, 0.5f, 0.5f, 0, 1, 0}));
}

TEST_F(RenderFrameTest, WireframeModeAndSwitchedOffCaptions) {
    fishDrawModeFlag = 1;
    showNames = 0;
    showTopics = 0;
    wallpaperMode = 0;
    ASSERT_EQ(render_frame(scene, inputs(), tank), kOk);
    const auto& log = device.log();
    EXPECT_EQ(log.count("stretch_rect"), 0);  // no wallpaper: the clear colour shows
    EXPECT_EQ(log.count("set_mesh_overrides"), 2);
    int fishB = log.index_of("set_mesh_overrides(fishB, 1, 1)");
    ASSERT_NE(fishB, -1);
    EXPECT_EQ(log.calls[fishB + 1].text(), "set_render_state(LIGHTING, 0)");
    EXPECT_EQ(log.calls[fishB + 3].text(), "set_render_state(CULLMODE, 3)");
    EXPECT_EQ(log.calls[fishB + 4].text(), "set_render_state(FILLMODE, 2)");
    // Only the satiety captions, 40 pixels below each fish; no ticker font at all.
    EXPECT_EQ(log.count("font#1.draw_text"), 2 + 2 + 2);
    EXPECT_EQ(log.index_of("font#1.draw_text(\"Kin\", -1, {310 200 35 212}, 0x900, 0xFFFFFFFF)"), -1);
    EXPECT_NE(log.index_of("font#1.draw_text(\"\\x96\\x9E\\x95\\xA0\\x93x(7)\", -1, {289 280 107 292}, 0x900, "
                           "0xFFFFFFFF)"),
              -1);
    EXPECT_EQ(log.count("font#4.begin"), 0);
}

TEST_F(RenderFrameTest, OverAnotherDesktopTheWallpaperAloneIsLeftOut) {
    ASSERT_EQ(render_frame(scene, inputs(), tank), kOk);
    const std::vector<std::string> withWallpaper = device.log().texts_without({"stretch_rect"});
    ASSERT_EQ(device.log().count("stretch_rect"), 1);
    for (std::int32_t mode : {1007, 1008}) {
        wallpaperMode = mode;
        std::int32_t drawWallpaper = 0;
        FrameInputs over = inputs();
        over.drawWallpaper = &drawWallpaper;
        device.log().clear();
        ASSERT_EQ(render_frame(scene, over, tank), kOk);
        // The same frame call by call, the clear colour with its alpha 0 included, minus the copy.
        EXPECT_EQ(device.log().count("stretch_rect"), 0) << mode;
        EXPECT_EQ(device.log().texts(), withWallpaper) << mode;
        drawWallpaper = 1;
        device.log().clear();
        ASSERT_EQ(render_frame(scene, over, tank), kOk);
        EXPECT_GE(device.log().count("stretch_rect"), 1) << "non-zero draws it again";
    }
}

TEST_F(RenderFrameTest, FishOffScreenIsDrawnWithoutCaptionsAndFreeSlotsAreSkipped) {
    tank.bodies[3]->set_position(0, 0, -400);  // behind the eye
    tank.order[5] = 77;                         // not a slot at all
    tank.active[4] = 0;
    ASSERT_EQ(render_frame(scene, inputs(), tank), kOk);
    EXPECT_EQ(device.log().count("draw_mesh"), 2);
    EXPECT_EQ(device.log().count("draw_primitive_up"), 2);
    EXPECT_EQ(device.log().count("font#1.draw_text"), 2 + 4);  // copyright, slot 0's two captions
}

TEST_F(RenderFrameTest, LostDeviceResetsOnceAndFails) {
    device.failures().fail("present", static_cast<HResult>(0x88760868u));  // D3DERR_DEVICELOST
    device.failures().fail("reset", static_cast<HResult>(0x88760869u));
    EXPECT_EQ(render_frame(scene, inputs(), tank), kFail);
    EXPECT_EQ(device.log().count("reset"), 1);
    EXPECT_EQ(device.log().calls.back().text(), "reset(640, 480, format 22, depth 75, windowed 1)");
    // A failed BeginScene skips every drawing call but still presents.
    device.log().clear();
    device.failures().clear();
    device.failures().fail("begin_scene", kFail);
    EXPECT_EQ(render_frame(scene, inputs(), tank), kOk);
    EXPECT_EQ(device.log().texts_without({"set_render_state", "set_texture_stage_state"}),
              (std::vector<std::string>{"clear(0, null, 0x3, 0x004F4FFF, 1, 0)", "begin_scene()", "present()"}));
}

TEST_F(RenderFrameTest, FrameDoesNotAllocate) {
    // The same scene built again on a device that records nothing.
    test::NullDevice null;
    test::SilentMeshes silent;
    registry.release_all_resources();
    display.device = &null;
    scene.services.meshes = &silent;
    ASSERT_EQ(init_scene(scene, settings), kOk);
    for (int i : {1, 4, 9}) tank.active[i] = 1;
    ASSERT_EQ(render_frame(scene, inputs(), tank), kOk);  // warm-up
    gAllocations = 0;
    gCounting = true;
    HResult hr = render_frame(scene, inputs(), tank);
    gCounting = false;
    EXPECT_EQ(hr, kOk);
    EXPECT_EQ(gAllocations.load(), 0);
    EXPECT_GT(null.calls, 200u);
    registry.release_all_resources();
    display.device = &device;
}

}  // namespace
}  // namespace brine
