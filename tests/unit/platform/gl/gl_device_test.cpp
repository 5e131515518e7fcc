// The OpenGL device against Direct3D 9's fixed-function rules, checked on real frames read back
// from the back buffer: clearing, lighting, texture stage 0, blending, depth, culling, fill modes,
// vertex blending, indexed drawing, textures, surfaces, reset and a lost context.
#include <gtest/gtest.h>

#include <QOpenGLContext>
#include <algorithm>
#include <cstring>

#include "device/decoded_image.h"
#include "tests/unit/platform/gl/gl_test_support.h"
#include "tools/scenes/scene_kit.h"

namespace brine::test {

namespace {

using namespace scenes;  // the drawing pieces the compared scenes are made of

Vec3 times(const Vec3& v, const Matrix& m) {  // row vector times the upper 3x3
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0], v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 normalized(const Vec3& v) {
    const float l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

// REFERENCE formula for one directional light: Ca(Ga + La) + Cd Ld max(0, N.L) + Ce.
std::uint32_t lit_colour(const Material& m, const Light& light, std::uint32_t ambient, float nDotL) {
    const float ga[3] = {((ambient >> 16) & 0xFF) / 255.0f, ((ambient >> 8) & 0xFF) / 255.0f, (ambient & 0xFF) / 255.0f};
    const float d = std::fmax(nDotL, 0.0f);
    return rgb(m.ambient.r * (ga[0] + light.ambient.r) + m.diffuse.r * light.diffuse.r * d + m.emissive.r,
               m.ambient.g * (ga[1] + light.ambient.g) + m.diffuse.g * light.diffuse.g * d + m.emissive.g,
               m.ambient.b * (ga[2] + light.ambient.b) + m.diffuse.b * light.diffuse.b * d + m.emissive.b);
}

}  // namespace

TEST_F(GlDeviceTest, ClearFillsTheViewportOrRectanglesFromTheTopLeft) {
    ASSERT_EQ(device_->clear(0, nullptr, kClearTarget | kClearZBuffer, 0x004F4FFF, 1.0f, 0), kOk);
    read();
    EXPECT_EQ(at(0, 0), 0x4F4FFFu);
    EXPECT_EQ(at(63, 63), 0x4F4FFFu);
    const Rect r{8, 4, 16, 12};
    ASSERT_EQ(device_->clear(1, &r, kClearTarget, 0xFFFF0000, 1.0f, 0), kOk);
    read();
    EXPECT_EQ(at(8, 4), 0xFF0000u);
    EXPECT_EQ(at(15, 11), 0xFF0000u);
    EXPECT_EQ(at(16, 11), 0x4F4FFFu);
    EXPECT_EQ(at(8, 12), 0x4F4FFFu);
    EXPECT_EQ(at(7, 4), 0x4F4FFFu);
    // Without rectangles Clear covers the viewport only.
    ASSERT_EQ(device_->set_viewport(Viewport{32, 0, 32, 16, 0.0f, 1.0f}), kOk);
    ASSERT_EQ(device_->clear(0, nullptr, kClearTarget, 0xFF00FF00, 1.0f, 0), kOk);
    read();
    EXPECT_EQ(at(32, 0), 0x00FF00u);
    EXPECT_EQ(at(31, 0), 0x4F4FFFu);
    EXPECT_EQ(at(40, 16), 0x4F4FFFu);
    EXPECT_EQ(device_->set_viewport(Viewport{32, 0, 33, 16, 0.0f, 1.0f}), kD3dErrInvalidCall);
}

TEST_F(GlDeviceTest, LitTriangleFollowsTheDirectionalLightFormula) {
    const Material material = test_material();
    const Light light = test_light({-0.6f, 0.0f, 0.8f});
    const std::uint32_t ambient = 0x00303030;
    const Matrix world = scaling(2.0f, 1.0f, 1.0f);
    device_->set_transform(kTsView, identity());
    device_->set_transform(kTsProjection, identity());
    device_->set_transform(world_matrix(0), world);
    device_->set_render_state(kRsAmbient, ambient);
    device_->set_render_state(kRsCullMode, kCullNone);
    device_->set_material(material);
    ASSERT_EQ(device_->set_light(0, light), kOk);
    ASSERT_EQ(device_->light_enable(0, true), kOk);
    select_diffuse(*device_);
    ASSERT_EQ(device_->set_fvf(kFvfPosNormal), kOk);
    const Vec3 n{0.6f, 0.0f, -0.8f};
    const PosNormal triangle[3] = {{-0.4f, -0.9f, 0.5f, n.x, n.y, n.z},
                                   {0.0f, 0.9f, 0.5f, n.x, n.y, n.z},
                                   {0.4f, -0.9f, 0.5f, n.x, n.y, n.z}};
    device_->clear(0, nullptr, kClearTarget | kClearZBuffer, 0, 1.0f, 0);
    ASSERT_EQ(device_->draw_primitive_up(kPtTriangleList, 1, triangle, sizeof(PosNormal)), kOk);
    read();
    // Normals go through the inverse transpose of world x view and are not normalised.
    const Vec3 toward = normalized({0.6f, 0.0f, -0.8f});
    const Vec3 eyeNormal{n.x / 2.0f, n.y, n.z};
    EXPECT_TRUE(rgb_near(at(32, 32), lit_colour(material, light, ambient, dot(eyeNormal, toward))));

    device_->set_render_state(kRsNormalizeNormals, 1);
    device_->draw_primitive_up(kPtTriangleList, 1, triangle, sizeof(PosNormal));
    read();
    EXPECT_TRUE(rgb_near(at(32, 32), lit_colour(material, light, ambient, dot(normalized(eyeNormal), toward))));

    // The light's direction is a world direction, lit in view space: a view that turns the scene
    // changes what faces the light.
    device_->set_render_state(kRsNormalizeNormals, 0);
    const Matrix view = rotation_y(0.5f);
    device_->set_transform(kTsView, view);
    device_->set_transform(world_matrix(0), rotation_y(-0.5f));  // world x view = identity
    device_->draw_primitive_up(kPtTriangleList, 1, triangle, sizeof(PosNormal));
    read();
    const Vec3 eyeToward = normalized(times({0.6f, 0.0f, -0.8f}, view));
    EXPECT_TRUE(rgb_near(at(32, 32), lit_colour(material, light, ambient, dot(n, eyeToward))));

    // With the light off only the ambient and emissive terms remain, global ambient alone.
    device_->light_enable(0, false);
    device_->draw_primitive_up(kPtTriangleList, 1, triangle, sizeof(PosNormal));
    read();
    Light dark{};
    EXPECT_TRUE(rgb_near(at(32, 32), lit_colour(material, dark, ambient, 0.0f)));
}

TEST_F(GlDeviceTest, UnlitVerticesTakeTheirColourOrWhite) {
    flat_setup(kFvfPosColour);
    select_diffuse(*device_);
    PosColour v[4];
    quad(v, 0xFF336699);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    ASSERT_EQ(device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColour)), kOk);
    read();
    EXPECT_EQ(at(10, 50), 0x336699u);
    // Direct3D samples pixels at integer coordinates and fills top-left: a quad over the whole
    // target covers every corner, one over the left half exactly columns 0 to 31.
    for (auto [x, y] : {std::pair{0u, 0u}, {63u, 0u}, {0u, 63u}, {63u, 63u}}) EXPECT_EQ(at(x, y), 0x336699u);
    quad(v, 0xFFFFFFFF, 0.5f, -1.0f, -1.0f, 0.0f, 0.0f);
    device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColour));
    read();
    EXPECT_EQ(at(0, 32), 0xFFFFFFu);
    EXPECT_EQ(at(31, 63), 0xFFFFFFu);
    EXPECT_EQ(at(32, 40), 0x336699u);
    EXPECT_EQ(at(10, 31), 0x336699u);
    quad(v, 0xFF336699);
    // No colour in the format: white.
    const float plain[4][3] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, -1, 0.5f}};
    device_->set_fvf(kFvfXyz);
    device_->draw_primitive_up(kPtTriangleStrip, 2, plain, 12);
    read();
    EXPECT_EQ(at(10, 50), 0xFFFFFFu);
    // A lit vertex colour replaces the material's diffuse colour (D3DMCS_COLOR1).
    device_->set_fvf(kFvfPosColour);
    device_->set_render_state(kRsLighting, 1);
    device_->set_render_state(kRsAmbient, 0xFFFFFFFF);
    Material m{};
    m.diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
    m.ambient = {0.25f, 0.5f, 0.75f, 1.0f};
    device_->set_material(m);
    device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColour));
    read();
    EXPECT_TRUE(rgb_near(at(10, 50), rgb(0.25f, 0.5f, 0.75f)));
}

TEST_F(GlDeviceTest, TextureStageZeroOperations) {
    flat_setup(kFvfPosColourTex);
    Texture* texture = nullptr;
    ASSERT_EQ(device_->create_texture(image_of(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}), 1, 0,
                                      kFmtA8R8G8B8, kPoolManaged, &texture),
              kOk);
    ASSERT_EQ(device_->set_texture(0, texture), kOk);
    const std::uint32_t grey = 0xFF808080;
    const PosColourTex v[4] = {{-1, 1, 0.5f, grey, 0, 0}, {1, 1, 0.5f, grey, 1, 0},
                               {-1, -1, 0.5f, grey, 0, 1}, {1, -1, 0.5f, grey, 1, 1}};
    auto draw = [&] {
        device_->clear(0, nullptr, kClearTarget, 0x00123456, 1.0f, 0);
        ASSERT_EQ(device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColourTex)), kOk);
        read();
    };
    device_->set_texture_stage_state(0, kTssColorOp, kTopModulate);
    device_->set_texture_stage_state(0, kTssColorArg1, kTaTexture);
    device_->set_texture_stage_state(0, kTssColorArg2, kTaDiffuse);
    draw();
    // v = 0 is the image's top row.
    EXPECT_EQ(at(10, 10), 0x800000u);
    EXPECT_EQ(at(50, 10), 0x008000u);
    EXPECT_EQ(at(10, 50), 0x000080u);
    EXPECT_EQ(at(50, 50), 0x808080u);
    device_->set_texture_stage_state(0, kTssColorOp, kTopSelectArg1);
    draw();
    EXPECT_EQ(at(50, 10), 0x00FF00u);
    device_->set_texture_stage_state(0, kTssColorOp, kTopSelectArg2);
    draw();
    EXPECT_EQ(at(50, 10), 0x808080u);
    // Stage 0 disabled: no texturing, the diffuse colour alone.
    device_->set_texture_stage_state(0, kTssColorOp, kTopDisable);
    draw();
    EXPECT_EQ(at(10, 10), 0x808080u);
    // An empty stage reads as opaque white: modulating leaves the diffuse colour, selecting the
    // texture argument gives white.
    device_->set_texture_stage_state(0, kTssColorOp, kTopModulate);
    device_->set_texture(0, nullptr);
    draw();
    EXPECT_EQ(at(10, 10), 0x808080u);
    device_->set_texture_stage_state(0, kTssColorOp, kTopSelectArg1);
    draw();
    EXPECT_EQ(at(10, 10), 0xFFFFFFu);
    // Releasing a bound texture leaves the stage empty, not dangling.
    device_->set_texture(0, texture);
    texture->release();
    draw();
    EXPECT_EQ(at(10, 10), 0xFFFFFFu);
}

TEST_F(GlDeviceTest, AlphaBlendAndAdditiveBlend) {
    flat_setup(kFvfPosColour);
    select_diffuse(*device_);
    PosColour v[4];
    device_->clear(0, nullptr, kClearTarget, 0x00204080, 1.0f, 0);
    device_->set_render_state(kRsAlphaBlendEnable, 1);
    device_->set_render_state(kRsSrcBlend, kBlendSrcAlpha);
    device_->set_render_state(kRsDestBlend, kBlendInvSrcAlpha);
    quad(v, 0x80FF0000);
    device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColour));
    read();
    const float a = 128.0f / 255.0f;
    EXPECT_TRUE(rgb_near(at(20, 20), rgb(a + (1 - a) * 0x20 / 255.0f, (1 - a) * 0x40 / 255.0f, (1 - a) * 0x80 / 255.0f)));

    device_->clear(0, nullptr, kClearTarget, 0x00204080, 1.0f, 0);
    device_->set_render_state(kRsSrcBlend, kBlendOne);
    device_->set_render_state(kRsDestBlend, kBlendOne);
    quad(v, 0xFF405060);
    device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColour));
    read();
    EXPECT_EQ(at(20, 20), 0x6090E0u);

    device_->set_render_state(kRsAlphaBlendEnable, 0);
    device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColour));
    read();
    EXPECT_EQ(at(20, 20), 0x405060u);
}

TEST_F(GlDeviceTest, DepthTestWithDirect3DDepthRange) {
    flat_setup(kFvfPosColour);
    select_diffuse(*device_);
    PosColour nearQuad[4], farQuad[4];
    quad(nearQuad, 0xFFFF0000, 0.3f);
    quad(farQuad, 0xFF00FF00, 0.7f);
    device_->set_render_state(kRsZEnable, kZbTrue);
    device_->clear(0, nullptr, kClearTarget | kClearZBuffer, 0, 1.0f, 0);
    device_->draw_primitive_up(kPtTriangleStrip, 2, nearQuad, sizeof(PosColour));
    device_->draw_primitive_up(kPtTriangleStrip, 2, farQuad, sizeof(PosColour));
    read();
    EXPECT_EQ(at(32, 32), 0xFF0000u);
    // Depth cleared to 0.5 keeps the far quad out, lets the near one in.
    device_->clear(0, nullptr, kClearTarget | kClearZBuffer, 0, 0.5f, 0);
    device_->draw_primitive_up(kPtTriangleStrip, 2, farQuad, sizeof(PosColour));
    read();
    EXPECT_EQ(at(32, 32), 0x000000u);
    device_->set_render_state(kRsZEnable, kZbFalse);
    device_->draw_primitive_up(kPtTriangleStrip, 2, farQuad, sizeof(PosColour));
    read();
    EXPECT_EQ(at(32, 32), 0x00FF00u);
    // Clip depth runs from 0 to w: a little below 0 is clipped away, a little above is drawn.
    PosColour behind[4], inFront[4];
    quad(behind, 0xFF0000FF, -0.05f);
    quad(inFront, 0xFFFFFF00, 0.05f);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    device_->draw_primitive_up(kPtTriangleStrip, 2, behind, sizeof(PosColour));
    read();
    EXPECT_EQ(at(32, 32), 0x000000u);
    device_->draw_primitive_up(kPtTriangleStrip, 2, inFront, sizeof(PosColour));
    read();
    EXPECT_EQ(at(32, 32), 0xFFFF00u);
}

TEST_F(GlDeviceTest, CullingTakesClockwiseFacesAsFront) {
    flat_setup(kFvfPosColour);
    select_diffuse(*device_);
    // Clockwise on screen: top left, top right, bottom.
    const PosColour clockwise[3] = {{-0.8f, 0.8f, 0.5f, 0xFFFF0000}, {0.8f, 0.8f, 0.5f, 0xFFFF0000},
                                    {0.0f, -0.8f, 0.5f, 0xFFFF0000}};
    const PosColour counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
    auto drawn = [&](const PosColour* tri, std::uint32_t cull) {
        device_->set_render_state(kRsCullMode, cull);
        device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
        device_->draw_primitive_up(kPtTriangleList, 1, tri, sizeof(PosColour));
        read();
        return at(32, 28) == 0xFF0000u;
    };
    EXPECT_TRUE(drawn(clockwise, kCullCcw));
    EXPECT_FALSE(drawn(counter, kCullCcw));
    EXPECT_TRUE(drawn(counter, kCullNone));
    EXPECT_TRUE(drawn(clockwise, kCullNone));
    EXPECT_FALSE(drawn(clockwise, kCullCw));
    EXPECT_TRUE(drawn(counter, kCullCw));
}

TEST_F(GlDeviceTest, WireframeAndPointFill) {
    flat_setup(kFvfPosColour);
    select_diffuse(*device_);
    const PosColour tri[3] = {{-0.8f, 0.8f, 0.5f, 0xFFFFFFFF}, {0.8f, 0.8f, 0.5f, 0xFFFFFFFF},
                              {0.0f, -0.8f, 0.5f, 0xFFFFFFFF}};
    auto lit_pixels = [&](std::uint32_t fill) {
        device_->set_render_state(kRsFillMode, fill);
        device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
        device_->draw_primitive_up(kPtTriangleList, 1, tri, sizeof(PosColour));
        read();
        return std::count_if(pixels_.begin(), pixels_.end(), [](std::uint32_t p) { return (p & 0xFFFFFF) != 0; });
    };
    const auto solid = lit_pixels(kFillSolid);
    const auto wire = lit_pixels(kFillWireframe);
    EXPECT_EQ(at(32, 28), 0u);           // the inside stays empty
    EXPECT_EQ(at(32, 6), 0xFFFFFFu);     // the top edge is drawn (y = 0.8 is row 6.4)
    EXPECT_GT(wire, 100);
    EXPECT_LT(wire, solid / 4);
    device_->set_render_state(kRsPointSize, 0x40800000);  // 4.0f
    const auto points = lit_pixels(kFillPoint);
    EXPECT_GE(points, 3 * 9);
    EXPECT_LE(points, 3 * 16);
    EXPECT_EQ(at(32, 28), 0u);
    EXPECT_EQ(at(32, 57), 0xFFFFFFu);  // the bottom vertex at (0, -0.8): pixel (32, 57.6)
}

TEST_F(GlDeviceTest, VertexBlendingMovesAndRelightsVertices) {
    struct Blend1 { float x, y, z, w; std::uint32_t colour; };
    flat_setup(kFvfXyzB1 | kFvfDiffuse);
    select_diffuse(*device_);
    // Left edge all matrix 0 (identity), right edge all matrix 1 (half a target to the right).
    const Blend1 strip[4] = {{-0.5f, 0.5f, 0.5f, 1.0f, 0xFFFFFFFF}, {0.0f, 0.5f, 0.5f, 0.0f, 0xFFFFFFFF},
                             {-0.5f, -0.5f, 0.5f, 1.0f, 0xFFFFFFFF}, {0.0f, -0.5f, 0.5f, 0.0f, 0xFFFFFFFF}};
    device_->set_transform(world_matrix(1), translation(0.5f, 0.0f, 0.0f));
    auto right_edge = [&] {
        device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
        EXPECT_EQ(device_->draw_primitive_up(kPtTriangleStrip, 2, strip, sizeof(Blend1)), kOk);
        read();
        std::uint32_t x = 0;
        while (x < kWidth && at(x, 32) == 0) ++x;
        while (x < kWidth && at(x, 32) != 0) ++x;
        return x;
    };
    EXPECT_EQ(right_edge(), 32u);  // blending off: world matrix 0 only
    device_->set_render_state(kRsVertexBlend, 1);
    EXPECT_EQ(right_edge(), 48u);

    // Two weights, three matrices, the last weight implied: 0.25 * 0.4 + 0.5 * 0.8 = 0.5.
    struct Blend2 { float x, y, z, w0, w1; std::uint32_t colour; };
    flat_setup(kFvfXyzB2 | kFvfDiffuse);
    device_->set_transform(world_matrix(1), translation(0.4f, 0.0f, 0.0f));
    device_->set_transform(world_matrix(2), translation(0.8f, 0.0f, 0.0f));
    device_->set_render_state(kRsVertexBlend, 2);
    const Blend2 strip2[4] = {{-0.5f, 0.5f, 0.5f, 1.0f, 0.0f, 0xFFFFFFFF}, {0.0f, 0.5f, 0.5f, 0.25f, 0.25f, 0xFFFFFFFF},
                              {-0.5f, -0.5f, 0.5f, 1.0f, 0.0f, 0xFFFFFFFF}, {0.0f, -0.5f, 0.5f, 0.25f, 0.25f, 0xFFFFFFFF}};
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    device_->draw_primitive_up(kPtTriangleStrip, 2, strip2, sizeof(Blend2));
    read();
    EXPECT_NE(at(47, 32), 0u);
    EXPECT_EQ(at(48, 32), 0u);
    // With fewer weights asked for than the format has, only the first are read:
    // 0.25 * x + 0.75 * (x + 0.4) = x + 0.3, the second weight ignored.
    device_->set_render_state(kRsVertexBlend, 1);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    device_->draw_primitive_up(kPtTriangleStrip, 2, strip2, sizeof(Blend2));
    read();
    EXPECT_NE(at(41, 32), 0u);
    EXPECT_EQ(at(42, 32), 0u);
}

TEST_F(GlDeviceTest, BlendedNormalsLightAsTheirWeightedSum) {
    struct BlendNormal { float x, y, z, w, nx, ny, nz; };
    const Material material = test_material();
    const Light light = test_light({0.0f, 0.0f, 1.0f});
    device_->set_transform(kTsView, identity());
    device_->set_transform(kTsProjection, identity());
    const Matrix turned = rotation_y(0.7f);
    device_->set_transform(world_matrix(0), identity());
    device_->set_transform(world_matrix(1), turned);
    device_->set_render_state(kRsCullMode, kCullNone);
    device_->set_render_state(kRsVertexBlend, 1);
    device_->set_material(material);
    device_->set_light(0, light);
    device_->light_enable(0, true);
    select_diffuse(*device_);
    ASSERT_EQ(device_->set_fvf(kFvfXyzB1 | kFvfNormal), kOk);
    const BlendNormal tri[3] = {{-0.8f, -0.8f, 0.5f, 0.5f, 0, 0, -1}, {0.0f, 0.8f, 0.5f, 0.5f, 0, 0, -1},
                                {0.8f, -0.8f, 0.5f, 0.5f, 0, 0, -1}};
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    ASSERT_EQ(device_->draw_primitive_up(kPtTriangleList, 1, tri, sizeof(BlendNormal)), kOk);
    read();
    const Vec3 n0{0, 0, -1}, n1 = times({0, 0, -1}, turned);
    const Vec3 blended{0.5f * (n0.x + n1.x), 0.5f * (n0.y + n1.y), 0.5f * (n0.z + n1.z)};
    const std::uint32_t expected = lit_colour(material, light, 0, dot(blended, {0, 0, -1}));
    EXPECT_TRUE(rgb_near(at(32, 40), expected));
    EXPECT_FALSE(rgb_near(lit_colour(material, light, 0, 1.0f), expected, 8)) << "the test would not tell";
}

TEST_F(GlDeviceTest, IndexedDrawingFromBuffers) {
    flat_setup(kFvfPosColour);
    select_diffuse(*device_);
    PosColour vertices[8];
    quad(vertices, 0xFFFF0000, 0.5f, -1.0f, -1.0f, 0.0f, 0.0f);    // bottom left, red
    quad(vertices + 4, 0xFF0000FF, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f);  // top right, blue
    const std::uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(device_->create_vertex_buffer(vertices, sizeof vertices, kFvfPosColour, &vb), kOk);
    ASSERT_EQ(device_->create_index_buffer(indices, sizeof indices, false, &ib), kOk);
    device_->set_stream_source(vb, sizeof(PosColour));
    device_->set_indices(ib);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    ASSERT_EQ(device_->draw_indexed_primitive(kPtTriangleList, 0, 0, 4, 0, 2), kOk);
    ASSERT_EQ(device_->draw_indexed_primitive(kPtTriangleList, 4, 0, 4, 0, 2), kOk);
    read();
    EXPECT_EQ(at(10, 50), 0xFF0000u);
    EXPECT_EQ(at(50, 10), 0x0000FFu);
    EXPECT_EQ(at(10, 10), 0u);
    // Ranges past either buffer are refused, not drawn.
    EXPECT_EQ(device_->draw_indexed_primitive(kPtTriangleList, 0, 0, 4, 3, 2), kD3dErrInvalidCall);
    EXPECT_EQ(device_->draw_indexed_primitive(kPtTriangleList, 5, 0, 4, 0, 2), kD3dErrInvalidCall);
    EXPECT_EQ(device_->draw_indexed_primitive(kPtTriangleList, -1, 0, 4, 0, 2), kD3dErrInvalidCall);
    ib->release();
    EXPECT_EQ(device_->draw_indexed_primitive(kPtTriangleList, 0, 0, 4, 0, 2), kD3dErrInvalidCall);
    vb->release();
}

TEST_F(GlDeviceTest, StretchRectPlacesTilesFromTheTopLeft) {
    std::vector<std::uint32_t> tile(16);
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 4; ++x) tile[y * 4 + x] = 0xFF000000u | (x * 60u) << 16 | (y * 60u) << 8 | 0x20u;
    auto texel = [&](std::uint32_t x, std::uint32_t y) { return tile[y * 4 + x] & 0xFFFFFF; };
    Surface* surface = nullptr;
    ASSERT_EQ(device_->create_offscreen_plain_surface(4, 4, kFmtX8R8G8B8, kPoolDefault, &surface), kOk);
    ASSERT_EQ(device_->load_surface(surface, image_of(4, 4, tile), 0), kOk);
    Surface* back = nullptr;
    ASSERT_EQ(device_->get_back_buffer(0, 0, &back), kOk);
    EXPECT_EQ(back->width(), kWidth);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    const Rect whole{10, 20, 14, 24};
    ASSERT_EQ(device_->stretch_rect(surface, nullptr, back, &whole, kTexfNone), kOk);
    const Rect part{1, 2, 3, 4}, partDest{30, 5, 32, 7};
    ASSERT_EQ(device_->stretch_rect(surface, &part, back, &partDest, kTexfNone), kOk);
    const Rect doubled{0, 0, 2, 2}, doubledDest{40, 40, 44, 44};
    ASSERT_EQ(device_->stretch_rect(surface, &doubled, back, &doubledDest, kTexfNone), kOk);
    read();
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 4; ++x) EXPECT_EQ(at(10 + x, 20 + y), texel(x, y)) << x << "," << y;
    EXPECT_EQ(at(9, 20), 0u);
    EXPECT_EQ(at(30, 5), texel(1, 2));
    EXPECT_EQ(at(31, 6), texel(2, 3));
    EXPECT_EQ(at(32, 5), 0u);
    EXPECT_EQ(at(40, 40), texel(0, 0));
    EXPECT_EQ(at(41, 41), texel(0, 0));
    EXPECT_EQ(at(42, 43), texel(1, 1));
    // Rectangles outside either surface, and copies onto the surface itself, are refused.
    const Rect outside{2, 2, 5, 4};
    EXPECT_EQ(device_->stretch_rect(surface, &outside, back, &whole, kTexfNone), kD3dErrInvalidCall);
    const Rect offTarget{60, 60, 65, 64};
    EXPECT_EQ(device_->stretch_rect(surface, nullptr, back, &offTarget, kTexfNone), kD3dErrInvalidCall);
    EXPECT_EQ(device_->stretch_rect(back, nullptr, back, nullptr, kTexfNone), kD3dErrInvalidCall);
    // The colour key turns matching texels transparent black.
    ASSERT_EQ(device_->load_surface(surface, image_of(4, 4, tile), tile[0]), kOk);
    device_->stretch_rect(surface, nullptr, back, &whole, kTexfNone);
    read();
    EXPECT_EQ(at(10, 20), 0u);
    EXPECT_EQ(at(11, 20), texel(1, 0));
    back->release();
    surface->release();
}

TEST_F(GlDeviceTest, ARepeatedStretchGivesTheSamePixelsUntilTheSurfaceChanges) {
    // The wallpaper's case: the same stretch every frame over a cleared back buffer, replayed.
    std::vector<std::uint32_t> picture(8 * 6);
    for (std::uint32_t i = 0; i < picture.size(); ++i) picture[i] = 0xFF000000u | (i * 37u % 251u) << 16 | i << 8 | 7u;
    Surface* surface = nullptr;
    ASSERT_EQ(device_->create_offscreen_plain_surface(8, 6, kFmtX8R8G8B8, kPoolDefault, &surface), kOk);
    ASSERT_EQ(device_->load_surface(surface, image_of(8, 6, picture), 0), kOk);
    Surface* back = nullptr;
    ASSERT_EQ(device_->get_back_buffer(0, 0, &back), kOk);
    const Rect source{1, 1, 7, 5}, dest{3, 7, 15, 27};  // stretched unevenly, away from the corner
    std::vector<std::vector<std::uint32_t>> frames;
    for (std::uint32_t colour : {0xFF102030u, 0xFF405060u, 0xFF708090u}) {
        device_->clear(0, nullptr, kClearTarget, colour, 1.0f, 0);
        ASSERT_EQ(device_->stretch_rect(surface, &source, back, &dest, kTexfNone), kOk);
        read();
        frames.push_back(pixels_);
        EXPECT_EQ(at(2, 7), colour & 0xFFFFFF) << "outside the target rectangle the clear stays";
        EXPECT_EQ(at(15, 26), colour & 0xFFFFFF);
    }
    for (std::uint32_t y = 7; y < 27; ++y)
        for (std::uint32_t x = 3; x < 15; ++x) {
            const std::size_t i = std::size_t(y) * kWidth + x;
            ASSERT_EQ(frames[1][i], frames[0][i]) << x << "," << y;
            ASSERT_EQ(frames[2][i], frames[0][i]) << x << "," << y;
        }
    // New pixels in the surface show at once.
    for (std::uint32_t& p : picture) p ^= 0x00FFFFFFu;
    ASSERT_EQ(device_->load_surface(surface, image_of(8, 6, picture), 0), kOk);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    ASSERT_EQ(device_->stretch_rect(surface, &source, back, &dest, kTexfNone), kOk);
    read();
    const std::size_t corner = std::size_t(7) * kWidth + 3;
    EXPECT_EQ(at(3, 7), (frames[0][corner] ^ 0xFFFFFFu) & 0xFFFFFF);
    back->release();
    surface->release();
}

TEST_F(GlDeviceTest, Dxt1RequestKeepsOneBitAlpha) {
    flat_setup(kFvfPosColourTex);
    device_->set_texture_stage_state(0, kTssColorOp, kTopSelectArg1);
    device_->set_texture_stage_state(0, kTssColorArg1, kTaTexture);
    device_->set_texture_stage_state(0, kTssAlphaOp, kTopSelectArg1);
    device_->set_texture_stage_state(0, kTssAlphaArg1, kTaTexture);
    device_->set_render_state(kRsAlphaBlendEnable, 1);
    device_->set_render_state(kRsSrcBlend, kBlendSrcAlpha);
    device_->set_render_state(kRsDestBlend, kBlendInvSrcAlpha);
    const DecodedImage image = image_of(2, 1, {0x64FF0000, 0xC800FF00});  // alpha 100 and 200
    const PosColourTex v[4] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0}, {1, 1, 0.5f, 0xFFFFFFFF, 1, 0},
                               {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1}, {1, -1, 0.5f, 0xFFFFFFFF, 1, 1}};
    auto draw = [&](std::uint32_t format) {
        Texture* texture = nullptr;
        EXPECT_EQ(device_->create_texture(image, kD3DXDefault, 0, format, kPoolManaged, &texture), kOk);
        device_->set_texture(0, texture);
        device_->clear(0, nullptr, kClearTarget, 0x000000FF, 1.0f, 0);
        device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColourTex));
        read();
        if (texture) texture->release();
    };
    draw(kFmtDxt1);
    EXPECT_EQ(at(10, 32), 0x0000FFu);  // alpha 100: transparent
    EXPECT_EQ(at(50, 32), 0x00FF00u);  // alpha 200: opaque
    draw(kFmtA8R8G8B8);
    const float a = 100.0f / 255.0f;
    EXPECT_TRUE(rgb_near(at(10, 32), rgb(a, 0, 1 - a)));
    draw(kFmtX8R8G8B8);  // no alpha channel: opaque
    EXPECT_EQ(at(10, 32), 0xFF0000u);
}

TEST_F(GlDeviceTest, TexturesCarryTheirMipChain) {
    const DecodedImage image = image_of(64, 16, std::vector<std::uint32_t>(64 * 16, 0xFF102030));
    Texture* texture = nullptr;
    ASSERT_EQ(device_->create_texture(image, kD3DXDefault, 0, kFmtA8R8G8B8, kPoolManaged, &texture), kOk);
    EXPECT_EQ(texture->level_count(), 7u);
    texture->release();
    ASSERT_EQ(device_->create_texture(image, 3, 0, kFmtA8R8G8B8, kPoolManaged, &texture), kOk);
    EXPECT_EQ(texture->level_count(), 3u);
    texture->release();
    DecodedImage broken = image;
    broken.pixels.resize(10);
    EXPECT_EQ(device_->create_texture(broken, 1, 0, kFmtA8R8G8B8, kPoolManaged, &texture), kD3dErrInvalidCall);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(GlDeviceTest, ResetRecreatesTheBackBufferAndRestoresDefaults) {
    device_->set_render_state(kRsLighting, 0);
    ASSERT_EQ(device_->reset(present_params(32, 16)), kOk);
    Surface* back = nullptr;
    ASSERT_EQ(device_->get_back_buffer(0, 0, &back), kOk);
    EXPECT_EQ(back->width(), 32u);
    EXPECT_EQ(back->height(), 16u);
    back->release();
    // Read-back takes exactly the new size; the X8R8G8B8 buffer reads opaque whatever the clear's alpha.
    std::vector<std::uint32_t> pixels(kWidth * kHeight);
    device_->clear(0, nullptr, kClearTarget, 0x00ABCDEF, 1.0f, 0);
    EXPECT_EQ(device_->read_back_buffer(kWidth, kHeight, pixels.data()), kD3dErrInvalidCall);
    EXPECT_EQ(device_->read_back_buffer(32, 16, nullptr), kD3dErrInvalidCall);
    ASSERT_EQ(device_->read_back_buffer(32, 16, pixels.data()), kOk);
    EXPECT_EQ(pixels[32 * 16 - 1], 0xFFABCDEFu);
    // Lighting is back on: an unlit-looking white quad now takes the (zero) material.
    const float plain[4][3] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, -1, 0.5f}};
    device_->set_fvf(kFvfXyz);
    select_diffuse(*device_);
    device_->draw_primitive_up(kPtTriangleStrip, 2, plain, 12);
    ASSERT_EQ(device_->read_back_buffer(32, 16, pixels.data()), kOk);
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0u);
    device_->set_render_state(kRsLighting, 0);
    device_->draw_primitive_up(kPtTriangleStrip, 2, plain, 12);
    ASSERT_EQ(device_->read_back_buffer(32, 16, pixels.data()), kOk);
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(device_->reset(present_params(100000, 16)), kD3dErrInvalidCall);
}

TEST_F(GlDeviceTest, LostContextFailsPresentAndLeavesObjectsReleasable) {
    Texture* texture = nullptr;
    ASSERT_EQ(device_->create_texture(image_of(1, 1, {0xFFFFFFFF}), 1, 0, kFmtA8R8G8B8, kPoolManaged, &texture), kOk);
    device_->set_texture(0, texture);
    LogFont description{};
    description.height = 12;
    description.charSet = kShiftJisCharset;
    std::strcpy(description.faceName, "\x82l\x82r \x83S\x83V\x83" "b\x83N");  // ＭＳ ゴシック
    Font* font = nullptr;
    ASSERT_EQ(device_->create_font(description, &font), kOk);
    ASSERT_EQ(device_->present(), kOk);

    // Qt announces a context going away (destroyed, or found reset) with this signal.
    Q_EMIT device_->gl_context()->aboutToBeDestroyed();
    EXPECT_LT(device_->present(), 0);
    EXPECT_LT(device_->reset(present_params(kWidth, kHeight)), 0);
    PosColour v[4];
    quad(v, 0xFFFFFFFF);
    device_->set_fvf(kFvfPosColour);
    EXPECT_LT(device_->draw_primitive_up(kPtTriangleStrip, 2, v, sizeof(PosColour)), 0);
    Rect r{0, 0, 100, 12};
    EXPECT_EQ(font->draw_text("abc", -1, &r, kDtNoClip, 0xFFFFFFFF), 0);
    Texture* another = nullptr;
    EXPECT_LT(device_->create_texture(image_of(1, 1, {0xFFFFFFFF}), 1, 0, kFmtA8R8G8B8, kPoolManaged, &another), 0);
    EXPECT_EQ(another, nullptr);
    std::vector<std::uint32_t> pixels(kWidth * kHeight);
    EXPECT_EQ(device_->read_back_buffer(kWidth, kHeight, pixels.data()), kD3dErrDeviceLost);
    font->release();
    texture->release();
}

TEST_F(GlDeviceTest, RefusesWhatItCannotDraw) {
    EXPECT_EQ(device_->set_fvf(0x004 | kFvfDiffuse), kD3dErrInvalidCall);  // pre-transformed XYZRHW
    PosColour v[4];
    quad(v, 0xFFFFFFFF);
    ASSERT_EQ(device_->set_fvf(kFvfPosColour), kOk);
    EXPECT_EQ(device_->draw_primitive_up(kPtTriangleStrip, 2, v, 8), kD3dErrInvalidCall);  // stride too short
    EXPECT_EQ(device_->draw_primitive_up(kPtTriangleStrip, 0, v, sizeof(PosColour)), kD3dErrInvalidCall);
    EXPECT_EQ(device_->draw_primitive_up(99, 1, v, sizeof(PosColour)), kD3dErrInvalidCall);
    EXPECT_EQ(device_->draw_primitive_up(kPtTriangleList, 0x10000000, v, sizeof(PosColour)), kD3dErrInvalidCall);
    Light point{};
    point.type = kLightPoint;
    EXPECT_EQ(device_->set_light(0, point), kNotImpl);
    EXPECT_EQ(device_->light_enable(3, false), kOk);
    EXPECT_EQ(device_->begin_scene(), kOk);
    EXPECT_EQ(device_->begin_scene(), kD3dErrInvalidCall);
    EXPECT_EQ(device_->end_scene(), kOk);
    EXPECT_EQ(device_->end_scene(), kD3dErrInvalidCall);
    // Shader tokens and effect texts are kept, not run; broken token streams are refused.
    const std::uint32_t shader[] = {0xFFFE0101, 0x0000FFFF};
    const std::uint32_t broken[] = {0xFFFF0101, 0x0000FFFF};
    VertexShader* vs = nullptr;
    ASSERT_EQ(device_->create_vertex_shader({"vs.1.1", 6, shader, 2}, &vs), kOk);
    vs->release();
    EXPECT_EQ(device_->create_vertex_shader({"ps.1.1", 6, broken, 2}, &vs), kD3dErrInvalidCall);
    Effect* effect = nullptr;
    ASSERT_EQ(device_->create_effect("technique t {}", 14, 1, &effect), kOk);
    effect->release();
}

TEST(GlGraphicsSystem, ReportsWhatTheDeviceSupports) {
    GlGraphicsPlatform platform;
    EXPECT_EQ(platform.create_graphics_system(12), nullptr);
    GraphicsSystem* system = platform.create_graphics_system(kD3DSdkVersion);
    ASSERT_NE(system, nullptr);
    DisplayMode mode{};
    ASSERT_EQ(system->get_adapter_display_mode(0, &mode), kOk);
    EXPECT_EQ(mode.width, 1280u);
    EXPECT_EQ(mode.height, 1024u);
    EXPECT_EQ(mode.format, kFmtX8R8G8B8);
    DeviceCaps caps{};
    ASSERT_EQ(system->get_device_caps(0, kDevTypeHal, &caps), kOk);
    EXPECT_EQ(caps.maxVertexBlendMatrices, 4u);
    EXPECT_EQ(caps.maxVertexBlendMatrixIndex, 0u);
    EXPECT_GE(caps.vertexShaderVersion, 0xFFFE0101u);
    EXPECT_GE(caps.pixelShaderVersion, 0xFFFF0000u);
    EXPECT_GE(caps.maxTextureWidth, 2048u);
    EXPECT_EQ(system->check_device_format(0, kDevTypeHal, kFmtX8R8G8B8, kUsageDepthStencil, kRtypeSurface, kFmtD24S8),
              kOk);
    EXPECT_EQ(system->check_device_format(0, kDevTypeHal, kFmtX8R8G8B8, 0, kRtypeTexture, kFmtDxt1), kOk);
    EXPECT_EQ(system->check_device_format(0, kDevTypeHal, kFmtX8R8G8B8, kUsageDepthStencil, kRtypeSurface,
                                          kFmtA8R8G8B8),
              kD3dErrNotAvailable);
    GraphicsDevice* device = nullptr;
    EXPECT_EQ(system->create_device(1, kDevTypeHal, nullptr, kCreateHardwareVertexProcessing,
                                    present_params(64, 64), &device),
              kD3dErrInvalidCall);
    // A window id that names no window is refused at creation.
    EXPECT_LT(system->create_device(0, kDevTypeHal, reinterpret_cast<WindowHandle>(std::uintptr_t{0x7FFFFF0}),
                                    kCreateHardwareVertexProcessing, present_params(64, 64), &device),
              0);
    EXPECT_EQ(device, nullptr);
    ASSERT_EQ(system->create_device(0, kDevTypeRef, nullptr, kCreateMixedVertexProcessing, present_params(1600, 1200),
                                    &device),
              kOk);
    device->release();
    system->release();
}

}  // namespace brine::test
