// Scene start, rebuild and shutdown on the recording platform, in a directory that holds the
// program's data files.
#include <gtest/gtest.h>

#include "data/pack_writer.h"
#include "render/frame.h"
#include "render/scene.h"
#include "render/shader_text.h"
#include "tests/support/manual_clock.h"
#include "tests/support/render_fakes.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

const char kShader[] = "vs.1.1\ndcl_position v0\nm4x4 oPos, v0, c0\n";
const char kEffect[] = "technique T { pass P { } }\n";

PackMember text_member(const char* name, const std::string& text) { return {name, {text.begin(), text.end()}}; }

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = std::make_unique<test::CurrentDirGuard>(scratch.path());
        std::string reason;
        ASSERT_EQ(write_pack_file("initialize.pak",
                                  {text_member("skinmesh1.vsh", kShader), text_member("skinmesh2.vsh", kShader),
                                   text_member("skinmesh3.vsh", kShader), text_member("skinmesh4.vsh", kShader),
                                   text_member("SkinnedMesh.fx", kEffect)},
                                  &reason),
                  kOk);
        ASSERT_EQ(write_pack_file("texture.pak", {text_member("food.dds", "IMG 8 8")}, &reason), kOk);
        test::write_text("bg_sprite1.jpg", "IMG 100 100");
        displayServices.platform = &platform;
        displayServices.clock = &clock;
        displayServices.rand = &rand;
        settings.webViewWindow = reinterpret_cast<WindowHandle>(0x77);
        ASSERT_EQ(init_direct3d(display, displayServices, settings.webViewWindow, 640, 480, 1), kOk);
    }
    void TearDown() override { shutdown_display(scene); }
    test::Recorder& recorder() { return platform.recorder; }

    test::ScratchDir scratch;
    std::unique_ptr<test::CurrentDirGuard> cwd;
    test::RecordingPlatform platform;
    test::ManualClock clock;
    CrtRand rand;
    DisplayServices displayServices;
    DisplayContext display;
    ResourceRegistry registry;
    test::FakeTank tank;
    test::SilentMeshes meshes;
    Scene scene{SceneServices{&display, &registry, &tank, &meshes, test::fake_decode_image}};
    SceneSettings settings;
};


std::vector<std::string> registry_names(const ResourceRegistry& registry) {
    std::vector<std::string> names;
    for (const ResourceNode* n = registry.head(); n; n = n->next) names.push_back(n->name);
    return names;
}

TEST_F(SceneTest, InitSceneBuildsEverythingAFrameDraws) {
    recorder().log.clear();
    ASSERT_EQ(init_scene(scene, settings), kOk);
    EXPECT_EQ(registry_names(registry),
              (std::vector<std::string>{"font_system", "tex_food", "vtx_board", "tex_bg", "font_topix"}));
    const std::string gothic = "\\x82l\\x82r \\x83S\\x83V\\x83b\\x83N";  // ＭＳ ゴシック
    EXPECT_EQ(recorder().log.texts_without({"set_viewport"}),
              (std::vector<std::string>{
                  "create_font(12, 400, 128, 4, \"" + gothic + "\")",
                  "create_texture(8, 8, -1, 0, 0x31545844, 0)",
                  "create_offscreen_plain_surface(100, 100, 22, 0)",
                  "load_surface(surface#10, 100, 100, 0xFF000000)",
                  "create_font(18, 700, 128, 4, \"" + gothic + "\")",
              }));
    ASSERT_TRUE(scene.camera);
    EXPECT_FLOAT_EQ(scene.camera->aspect, 4.0f / 3.0f);
    EXPECT_EQ(scene.camera->eye.z, -300.0f);
    EXPECT_EQ(scene.camera->viewport.width, 640u);
    ASSERT_TRUE(scene.sceneLight);
    EXPECT_EQ(scene.sceneLight->light.direction.z, 1.0f);
    EXPECT_EQ(scene.sceneLight->light.ambient.g, 0.75f);
    EXPECT_EQ(scene.sceneLight->light.specular.a, 1.0f);
    EXPECT_EQ(scene.clearColor, 0x004F4FFFu);
    EXPECT_EQ(scene.clearDepth, 1.0f);
    EXPECT_EQ(scene.systemFont, registry.find_resource("font_system"));
    EXPECT_EQ(scene.topixFont->desc.height, 18);
    ASSERT_TRUE(scene.wallpaperBlit);
    EXPECT_EQ(scene.wallpaperBlit->image, registry.find_resource("tex_bg"));
    EXPECT_EQ(test::format_rect(&scene.wallpaperBlit->destination), "{0 0 640 480}");
    EXPECT_EQ(tank.resets, 1);
    EXPECT_EQ(tank.rosterLoads, 1);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const SceneObject* b = tank.boards[i].get();
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(tank.active[i], 0);
        EXPECT_EQ(b->drawableKind, kDrawBoard);
        EXPECT_EQ(b->drawable, registry.find_resource("vtx_board"));
        EXPECT_EQ(b->textures[0], registry.find_resource("tex_food"));
        EXPECT_EQ(b->blendMode, kBlendAlpha);
        EXPECT_EQ(b->renderFlags, 0x2u | 0x4u | 0x10u | 0x20u);
        EXPECT_EQ(b->scale.x, 3.0f);
        EXPECT_EQ(b->material.ambient.r, 0.5f);
    }
}

TEST_F(SceneTest, MissingDataFilesStillGiveARunningScene) {
    std::filesystem::remove("texture.pak");
    std::filesystem::remove("bg_sprite1.jpg");
    ASSERT_EQ(init_scene(scene, settings), kOk);
    auto* food = static_cast<TextureResource*>(registry.find_resource("tex_food"));
    ASSERT_NE(food, nullptr);
    EXPECT_EQ(food->texture, nullptr);
    EXPECT_EQ(tank.boards[0]->textures[0], food);  // pellets drawn with an empty stage
    EXPECT_EQ(scene.wallpaperBlit->image, nullptr);
}

TEST_F(SceneTest, RecreateRebuildsAtTheNewSize) {
    ASSERT_EQ(init_scene(scene, settings), kOk);
    tank.add_fish(2, "a", 5, {0, 0, 0}, &meshes);
    SceneObject* oldBoard = tank.boards[0].get();
    GraphicsSystem* oldSystem = display.direct3d;
    settings.backBufferWidth = 1600;
    settings.backBufferHeight = 1200;
    ASSERT_EQ(recreate_display(scene, displayServices, settings), kOk);
    EXPECT_EQ(tank.cleared, 16);
    EXPECT_EQ(tank.bodies[2], nullptr);
    EXPECT_EQ(tank.rosterLoads, 2);
    EXPECT_NE(tank.boards[0].get(), oldBoard);
    EXPECT_EQ(platform.systems[0]->releases, 1);
    EXPECT_NE(display.direct3d, oldSystem);
    EXPECT_EQ(platform.last_device()->params.backBufferWidth, 1600u);
    EXPECT_EQ(platform.last_device()->params.deviceWindow, settings.webViewWindow);
    EXPECT_FLOAT_EQ(scene.camera->aspect, 4.0f / 3.0f);
    EXPECT_EQ(scene.camera->viewport.width, 1600u);
    EXPECT_EQ(scene.camera->viewport.height, 1200u);
    EXPECT_EQ(test::format_rect(&scene.wallpaperBlit->destination), "{0 0 1600 1200}");
    EXPECT_EQ(registry_names(registry).size(), 5u);
    // Nothing of the first device is left behind.
    EXPECT_EQ(platform.systems[0]->devices[0]->releases, 1);
}

TEST_F(SceneTest, RecreateWithoutADeviceBuildsNoScene) {
    ASSERT_EQ(init_scene(scene, settings), kOk);
    platform.recorder.failures.fail("create_device", kFail);
    EXPECT_EQ(recreate_display(scene, displayServices, settings), kFail);
    EXPECT_TRUE(registry.empty());
    EXPECT_EQ(tank.rosterLoads, 1);
    EXPECT_EQ(scene.wallpaperBlit, nullptr);
    EXPECT_EQ(scene.systemFont, nullptr);
}

TEST_F(SceneTest, ShutdownReleasesEveryObject) {
    ASSERT_EQ(init_scene(scene, settings), kOk);
    EXPECT_EQ(shutdown_display(scene), kOk);
    EXPECT_EQ(tank.catalogFrees, 1);
    EXPECT_EQ(tank.topicFrees, 1);
    EXPECT_TRUE(registry.empty());
    EXPECT_EQ(display.device, nullptr);
    EXPECT_EQ(display.direct3d, nullptr);
    EXPECT_TRUE(recorder().leaked().empty()) << recorder().leaked().front();
    EXPECT_EQ(recorder().over_released(), 0);
    EXPECT_EQ(platform.last_device()->releases, 1);
    EXPECT_EQ(platform.last_system()->releases, 1);
}

}  // namespace
}  // namespace brine
