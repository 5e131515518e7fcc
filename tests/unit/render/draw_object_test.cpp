// draw_scene_object's states for each blend mode and fill, its material, textures and drawable;
// attaching boards and textures by registry name; building boards into registry entries.
#include <gtest/gtest.h>

#include <cstdlib>

#include "render/scene_object.h"
#include "tests/support/render_fakes.h"

namespace brine {
namespace {

class DrawObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        board = registry.get_or_create<BoardResource>("vtx_board");
        ASSERT_EQ(build_board(*board, 1.0f, 1.0f, false), kOk);
        food = registry.get_or_create<TextureResource>("tex_food");
        food->texture = device.make_texture("food");
        registry.get_or_create<FontResource>("font_system");
    }
    void TearDown() override { registry.release_all_resources(); }
    std::vector<std::string> calls() { return device.log().texts(); }

    test::RecordingDevice device;
    ResourceRegistry registry;
    BoardResource* board = nullptr;
    TextureResource* food = nullptr;
};

const std::vector<std::string> kStageModulate = {
    "set_texture_stage_state(0, COLOROP, 4)",   "set_texture_stage_state(0, COLORARG1, 2)",
    "set_texture_stage_state(0, COLORARG2, 0)", "set_texture_stage_state(0, ALPHAOP, 4)",
    "set_texture_stage_state(0, ALPHAARG1, 2)", "set_texture_stage_state(0, ALPHAARG2, 0)",
};

std::vector<std::string> slice(const std::vector<std::string>& v, std::size_t from, std::size_t count) {
    return std::vector<std::string>(v.begin() + from, v.begin() + std::min(v.size(), from + count));
}

TEST_F(DrawObjectTest, BlendModesSetTheirStates) {
    SceneObject o;
    o.attach_board(registry, "vtx_board");
    struct Case {
        std::int32_t mode;
        std::vector<std::string> blend;
    } cases[] = {
        {1, {"set_render_state(ALPHABLENDENABLE, 0)"}},
        {2, {"set_render_state(ALPHABLENDENABLE, 1)", "set_render_state(SRCBLEND, 5)", "set_render_state(DESTBLEND, 6)"}},
        {3, {"set_render_state(ALPHABLENDENABLE, 1)", "set_render_state(SRCBLEND, 2)", "set_render_state(DESTBLEND, 2)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        device.log().clear();
        o.set_blend_mode(c.mode);
        EXPECT_EQ(draw_scene_object(o, device, nullptr), kOk);
        auto all = calls();
        EXPECT_EQ(slice(all, 0, 4),
                  (std::vector<std::string>{"set_render_state(LIGHTING, 1)", "set_render_state(ZENABLE, 1)",
                                            "set_render_state(CULLMODE, 3)", "set_render_state(FILLMODE, 3)"}));
        EXPECT_EQ(slice(all, 4, c.blend.size()), c.blend);
        EXPECT_EQ(slice(all, 4 + c.blend.size(), 6), kStageModulate);
    }
    // An unknown mode keeps whatever blending and stage states the previous draw left.
    device.log().clear();
    o.set_blend_mode(9);
    draw_scene_object(o, device, nullptr);
    EXPECT_EQ(device.log().count("set_texture_stage_state"), 0);
    EXPECT_EQ(calls()[4], "set_material(d(1 1 1 1) a(1 1 1 1) s(0 0 0 0) e(0 0 0 0) p 0)");
    // Hidden: nothing at all.
    device.log().clear();
    o.set_blend_mode(0);
    EXPECT_EQ(draw_scene_object(o, device, nullptr), kOk);
    EXPECT_TRUE(calls().empty());
}

TEST_F(DrawObjectTest, FlagsFillAndCulling) {
    SceneObject o;
    o.set_lighting(false);
    o.set_depth_test(false);
    o.set_culling(false);
    o.set_wireframe(true);
    draw_scene_object(o, device, nullptr);
    EXPECT_EQ(slice(calls(), 0, 4),
              (std::vector<std::string>{"set_render_state(LIGHTING, 0)", "set_render_state(ZENABLE, 0)",
                                        "set_render_state(CULLMODE, 1)", "set_render_state(FILLMODE, 2)"}));
    // Point fill wins over wireframe and hands over the point size's float bits.
    device.log().clear();
    o.renderFlags |= kFlagPointFill;
    o.pointSize = 2.5f;
    draw_scene_object(o, device, nullptr);
    EXPECT_EQ(slice(calls(), 3, 2),
              (std::vector<std::string>{"set_render_state(FILLMODE, 1)", "set_render_state(POINTSIZE, 2.5f)"}));
}

TEST_F(DrawObjectTest, MaterialTexturesWorldAndDrawable) {
    SceneObject o;
    o.attach_board(registry, "vtx_board");
    o.set_texture(0, registry, "tex_food");
    o.set_texture(2, registry, "tex_missing");    // not registered: the stage stays empty
    o.set_texture(1, registry, "font_system");    // not a texture: empty too
    EXPECT_EQ(o.textures[1], nullptr);
    o.set_diffuse(1, 0.5f, 0.25f, 1);
    o.set_emissive(0.1f, 0, 0, 0);
    o.set_position(1, 2, 3);
    o.build_world_matrix();
    draw_scene_object(o, device, nullptr);
    auto all = calls();
    EXPECT_EQ(slice(all, all.size() - 8, 8),
              (std::vector<std::string>{
                  "set_material(d(1 0.5 0.25 1) a(1 1 1 1) s(0 0 0 0) e(0.1 0 0 0) p 0)",
                  "set_texture(0, food)",
                  "set_texture(1, null)",
                  "set_texture(2, null)",
                  "set_texture(3, null)",
                  "set_transform(WORLD, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 1 2 3 1])",
                  "set_fvf(0x102)",
                  "draw_primitive_up(5, 2, 20)",
              }));

    // A failing material ends the draw with its code; drawing results come back too.
    device.log().clear();
    device.failures().fail("set_material", kD3DErrInvalidCall, "", 0, 1);
    EXPECT_EQ(draw_scene_object(o, device, nullptr), kD3DErrInvalidCall);
    EXPECT_EQ(device.log().count("set_texture"), 0);
    test::LoggingMeshes meshes(&device.recorder());
    MeshResource mesh;
    meshes.labels[&mesh] = "fish";
    SceneObject fish;
    fish.attach_mesh(&mesh, &meshes);
    EXPECT_EQ(meshes.resets[&mesh], 1);  // attaching rewinds the animation
    device.failures().fail("draw_mesh", kOutOfMemory);
    EXPECT_EQ(draw_scene_object(fish, device, &meshes), kOutOfMemory);
}

TEST_F(DrawObjectTest, NullDrawableStillSetsEverythingAndMissingBoardIsNull) {
    SceneObject o;
    o.attach_board(registry, "no_such_board");
    EXPECT_EQ(o.drawableKind, kDrawBoard);
    EXPECT_EQ(o.drawable, nullptr);
    o.attach_board(registry, "tex_food");  // another kind under that name
    EXPECT_EQ(o.drawable, nullptr);
    EXPECT_EQ(draw_scene_object(o, device, nullptr), kOk);
    EXPECT_EQ(device.log().count("set_material"), 1);
    EXPECT_EQ(device.log().count("set_transform"), 1);
    EXPECT_EQ(device.log().count("draw_primitive_up"), 0);
    ResourceRegistry empty;
    o.attach_board(empty, "vtx_board");
    EXPECT_EQ(o.drawable, nullptr);
}

TEST_F(DrawObjectTest, BuildBoardFillsTheEntryAndReplacesItsVertices) {
    BoardResource& b = *board;
    EXPECT_EQ(b.primitiveType, static_cast<std::uint32_t>(kPtTriangleStrip));
    EXPECT_EQ(b.fvf, 0x102u);
    EXPECT_EQ(b.stride, 20u);
    EXPECT_EQ(b.primitiveCount, 2u);
    ASSERT_EQ(build_board(b, 2.0f, 4.0f, true), kOk);  // the old block is freed, not leaked
    const float* v = static_cast<const float*>(b.vertices);
    const float lying[20] = {-1, 0, -2, 0, 1, -1, 0, 2, 0, 0, 1, 0, -2, 1, 1, 1, 0, 2, 1, 0};
    for (int i = 0; i < 20; ++i) EXPECT_EQ(v[i], lying[i]) << i;
    // A stored primitive type other than a strip is not consulted when drawing.
    b.primitiveType = kPtTriangleList;
    draw_board(b, device);
    EXPECT_EQ(device.log().calls.back().text(), "draw_primitive_up(5, 2, 20)");
    std::free(b.vertices);
    b.vertices = nullptr;
    device.log().clear();
    EXPECT_EQ(draw_board(b, device), kOk);
    EXPECT_TRUE(calls().empty());
}

}  // namespace
}  // namespace brine
