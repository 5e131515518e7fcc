// The compared scenes. The device scenes follow the OpenGL device's pixel tests case by case, one
// case a cell; positions are clip coordinates (identity matrices) unless a case is about the
// matrices. No platform header.
#include "tools/scenes/device_scenes.h"

#include <cstdio>

#include "device/decoded_image.h"
#include "render/d3dx_math.h"
#include "resources/resource_ids.h"
#include "tools/scenes/aquarium_session.h"
#include "tools/scenes/frame_capture.h"
#include "tools/scenes/scene_kit.h"

namespace brine::scenes {

namespace {

constexpr std::uint32_t kCell = 64;
constexpr std::uint32_t kPresentIntervalImmediate = 0x80000000u;
constexpr std::uint32_t kSwapEffectDiscard = 1;


// Moves the viewport to cell (column, row) and clears it.
void cell(GraphicsDevice& d, std::uint32_t column, std::uint32_t row, D3DColor clear, float z = 1.0f) {
    d.set_viewport(Viewport{column * kCell, row * kCell, kCell, kCell, 0.0f, 1.0f});
    d.clear(0, nullptr, kClearTarget | kClearZBuffer, clear, z, 0);
}

bool strip(GraphicsDevice& d, const void* vertices, std::uint32_t stride, std::uint32_t primitives = 2) {
    return succeeded(d.draw_primitive_up(kPtTriangleStrip, primitives, vertices, stride));
}

// --- the scenes ---

bool clear_scene(GraphicsDevice& d) {
    bool ok = succeeded(d.clear(0, nullptr, kClearTarget | kClearZBuffer, 0x004F4FFF, 1.0f, 0));
    const Rect r{8, 4, 16, 12};
    ok &= succeeded(d.clear(1, &r, kClearTarget, 0xFFFF0000, 1.0f, 0));
    const Rect two[2] = {{40, 40, 48, 60}, {50, 2, 63, 6}};
    ok &= succeeded(d.clear(2, two, kClearTarget, 0xFF00FFFF, 1.0f, 0));
    // Without rectangles Clear covers the viewport only.
    ok &= succeeded(d.set_viewport(Viewport{32, 0, 32, 16, 0.0f, 1.0f}));
    ok &= succeeded(d.clear(0, nullptr, kClearTarget, 0xFF00FF00, 1.0f, 0));
    return ok;
}

// Lit triangles against the one-directional-light formula: normals not normalised, normalised,
// a view that turns the light, the light off.
bool lit_triangle_scene(GraphicsDevice& d) {
    const Material material = test_material();
    const Light light = test_light({-0.6f, 0.0f, 0.8f});
    d.set_transform(kTsView, matrix_identity());
    d.set_transform(kTsProjection, matrix_identity());
    d.set_transform(world_matrix(0), matrix_scaling(2.0f, 1.0f, 1.0f));
    d.set_render_state(kRsAmbient, 0x00303030);
    d.set_render_state(kRsCullMode, kCullNone);
    d.set_material(material);
    bool ok = succeeded(d.set_light(0, light)) && succeeded(d.light_enable(0, true));
    select_diffuse(d);
    ok &= succeeded(d.set_fvf(kFvfPosNormal));
    const Vec3 n{0.6f, 0.0f, -0.8f};
    const PosNormal triangle[3] = {{-0.4f, -0.9f, 0.5f, n.x, n.y, n.z},
                                   {0.0f, 0.9f, 0.5f, n.x, n.y, n.z},
                                   {0.4f, -0.9f, 0.5f, n.x, n.y, n.z}};
    auto draw = [&] { ok &= succeeded(d.draw_primitive_up(kPtTriangleList, 1, triangle, sizeof(PosNormal))); };
    cell(d, 0, 0, 0);
    draw();
    d.set_render_state(kRsNormalizeNormals, 1);
    cell(d, 1, 0, 0);
    draw();
    d.set_render_state(kRsNormalizeNormals, 0);
    d.set_transform(kTsView, matrix_rotation_y(0.5f));
    d.set_transform(world_matrix(0), matrix_rotation_y(-0.5f));
    cell(d, 0, 1, 0);
    draw();
    d.light_enable(0, false);
    cell(d, 1, 1, 0);
    draw();
    return ok;
}

// Vertex colour, the top-left fill rule on a half-cell quad, white where the format has no
// colour, and a lit vertex colour standing in for the material's diffuse colour.
bool vertex_colour_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    select_diffuse(d);
    PosColour v[4];
    quad(v, 0xFF336699);
    cell(d, 0, 0, 0);
    bool ok = strip(d, v, sizeof(PosColour));
    cell(d, 1, 0, 0);
    ok &= strip(d, v, sizeof(PosColour));
    PosColour half[4];
    quad(half, 0xFFFFFFFF, 0.5f, -1.0f, -1.0f, 0.0f, 0.0f);
    ok &= strip(d, half, sizeof(PosColour));
    const float plain[4][3] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, -1, 0.5f}};
    d.set_fvf(kFvfXyz);
    cell(d, 0, 1, 0);
    ok &= strip(d, plain, 12);
    d.set_fvf(kFvfPosColour);
    d.set_render_state(kRsLighting, 1);
    d.set_render_state(kRsAmbient, 0xFFFFFFFF);
    Material m{};
    m.diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
    m.ambient = {0.25f, 0.5f, 0.75f, 1.0f};
    d.set_material(m);
    cell(d, 1, 1, 0);
    ok &= strip(d, v, sizeof(PosColour));
    return ok;
}

// A 2 x 2 texture over grey vertices: modulate, select the texture, select the diffuse colour,
// stage 0 disabled.
bool texture_stage_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColourTex);
    Texture* texture = nullptr;
    if (failed(d.create_texture(image_of(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}), 1, 0, kFmtA8R8G8B8,
                                kPoolManaged, &texture)))
        return false;
    d.set_texture(0, texture);
    PosColourTex v[4];
    textured_quad(v, 0xFF808080);
    d.set_texture_stage_state(0, kTssColorArg1, kTaTexture);
    d.set_texture_stage_state(0, kTssColorArg2, kTaDiffuse);
    bool ok = true;
    const std::uint32_t ops[4] = {kTopModulate, kTopSelectArg1, kTopSelectArg2, kTopDisable};
    for (std::uint32_t i = 0; i < 4; ++i) {
        d.set_texture_stage_state(0, kTssColorOp, ops[i]);
        cell(d, i % 2, i / 2, 0x00123456);
        ok &= strip(d, v, sizeof(PosColourTex));
    }
    d.set_texture(0, nullptr);
    texture->release();
    return ok;
}

// Stage 0 as the program sets it (texture times diffuse, colour and alpha) with no texture bound:
// the untextured pellets and the wireframe fish. Unlit coloured vertices; half-transparent ones
// blended over the clear colour; lit vertices; unlit ones without colour.
bool empty_stage_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    modulate_texture(d);
    d.set_texture(0, nullptr);
    PosColour v[4];
    quad(v, 0xFF40A0E0);
    cell(d, 0, 0, 0x00202020);
    bool ok = strip(d, v, sizeof(PosColour));
    alpha_blending(d, true);
    quad(v, 0x80FFC040);
    cell(d, 1, 0, 0x00204080);
    ok &= strip(d, v, sizeof(PosColour));
    alpha_blending(d, false);
    const PosNormal lit[4] = {{-1, 1, 0.5f, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1}, {-1, -1, 0.5f, 0, 0, -1},
                              {1, -1, 0.5f, 0, 0, -1}};
    d.set_render_state(kRsLighting, 1);
    d.set_render_state(kRsAmbient, 0x00202020);
    d.set_material(test_material());
    d.set_light(0, test_light({0.3f, -0.4f, 0.8f}));
    d.light_enable(0, true);
    d.set_fvf(kFvfPosNormal);
    cell(d, 0, 1, 0x00202020);
    ok &= strip(d, lit, sizeof(PosNormal));
    // Unlit without a colour in the format (the wireframe fish): white.
    d.set_render_state(kRsLighting, 0);
    const float plain[4][3] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, -1, 0.5f}};
    d.set_fvf(kFvfXyz);
    cell(d, 1, 1, 0x00202020);
    ok &= strip(d, plain, 12);
    return ok;
}

// Selecting the texture argument alone with no texture bound, which the program never does.
bool empty_stage_select_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    d.set_texture(0, nullptr);
    d.set_texture_stage_state(0, kTssColorOp, kTopSelectArg1);
    d.set_texture_stage_state(0, kTssColorArg1, kTaTexture);
    d.set_texture_stage_state(0, kTssAlphaOp, kTopSelectArg1);
    d.set_texture_stage_state(0, kTssAlphaArg1, kTaTexture);
    PosColour v[4];
    quad(v, 0xFF40A0E0);
    cell(d, 0, 0, 0x00202020);
    return strip(d, v, sizeof(PosColour));
}

// Source alpha over the clear colour, additive, blending switched off again.
bool blending_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    select_diffuse(d);
    PosColour v[4];
    alpha_blending(d, true);
    quad(v, 0x80FF0000);
    cell(d, 0, 0, 0x00204080);
    bool ok = strip(d, v, sizeof(PosColour));
    d.set_render_state(kRsSrcBlend, kBlendOne);
    d.set_render_state(kRsDestBlend, kBlendOne);
    quad(v, 0xFF405060);
    cell(d, 1, 0, 0x00204080);
    ok &= strip(d, v, sizeof(PosColour));
    // Saturating: 0xC0 + 0x80 clamps at 0xFF.
    quad(v, 0xFFC0C0C0);
    cell(d, 0, 1, 0x00804020);
    ok &= strip(d, v, sizeof(PosColour));
    d.set_render_state(kRsAlphaBlendEnable, 0);
    quad(v, 0x20405060);
    cell(d, 1, 1, 0x00204080);
    ok &= strip(d, v, sizeof(PosColour));
    return ok;
}

// Near before far, a depth cleared to 0.5, depth test off, and clip depth just below and above 0.
bool depth_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    select_diffuse(d);
    PosColour nearQuad[4], farQuad[4], behind[4], inFront[4];
    quad(nearQuad, 0xFFFF0000, 0.3f);
    quad(farQuad, 0xFF00FF00, 0.7f, -0.5f, -0.5f, 1.0f, 1.0f);
    quad(behind, 0xFF0000FF, -0.05f, -1.0f, -1.0f, 0.2f, 0.2f);
    quad(inFront, 0xFFFFFF00, 0.05f, -0.2f, -0.2f, 1.0f, 1.0f);
    d.set_render_state(kRsZEnable, kZbTrue);
    cell(d, 0, 0, 0);
    bool ok = strip(d, nearQuad, sizeof(PosColour)) && strip(d, farQuad, sizeof(PosColour));
    cell(d, 1, 0, 0, 0.5f);
    ok &= strip(d, farQuad, sizeof(PosColour)) && strip(d, nearQuad, sizeof(PosColour));
    d.set_render_state(kRsZEnable, kZbFalse);
    cell(d, 0, 1, 0);
    ok &= strip(d, nearQuad, sizeof(PosColour)) && strip(d, farQuad, sizeof(PosColour));
    cell(d, 1, 1, 0);
    ok &= strip(d, behind, sizeof(PosColour)) && strip(d, inFront, sizeof(PosColour));
    return ok;
}

// A clockwise and a counter-clockwise triangle under each cull mode.
bool culling_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    select_diffuse(d);
    const PosColour clockwise[3] = {{-0.8f, 0.8f, 0.5f, 0xFFFF0000}, {0.8f, 0.8f, 0.5f, 0xFFFF0000},
                                    {0.0f, -0.8f, 0.5f, 0xFFFF0000}};
    const PosColour counter[3] = {{-0.6f, -0.8f, 0.5f, 0xFF00FF00}, {0.6f, -0.8f, 0.5f, 0xFF00FF00},
                                  {0.0f, 0.6f, 0.5f, 0xFF00FF00}};
    bool ok = true;
    const std::uint32_t modes[3] = {kCullCcw, kCullCw, kCullNone};
    for (std::uint32_t i = 0; i < 3; ++i) {
        d.set_render_state(kRsCullMode, modes[i]);
        cell(d, i, 0, 0);
        ok &= succeeded(d.draw_primitive_up(kPtTriangleList, 1, clockwise, sizeof(PosColour)));
        cell(d, i, 1, 0);
        ok &= succeeded(d.draw_primitive_up(kPtTriangleList, 1, counter, sizeof(PosColour)));
    }
    return ok;
}

// One triangle solid and as wireframe.
bool fill_mode_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    select_diffuse(d);
    const PosColour tri[3] = {{-0.8f, 0.8f, 0.5f, 0xFFFFFFFF}, {0.8f, 0.8f, 0.5f, 0xFFFFFFFF},
                              {0.0f, -0.8f, 0.5f, 0xFFFFFFFF}};
    bool ok = true;
    const std::uint32_t modes[2] = {kFillSolid, kFillWireframe};
    for (std::uint32_t i = 0; i < 2; ++i) {
        d.set_render_state(kRsFillMode, modes[i]);
        cell(d, i, 0, 0);
        ok &= succeeded(d.draw_primitive_up(kPtTriangleList, 1, tri, sizeof(PosColour)));
    }
    return ok;
}

// Points of size 4: a point list, and a triangle in point fill mode.
bool points_scene(GraphicsDevice& d, bool fillMode) {
    flat_setup(d, kFvfPosColour);
    select_diffuse(d);
    const PosColour tri[3] = {{-0.8f, 0.8f, 0.5f, 0xFFFFFFFF}, {0.8f, 0.8f, 0.5f, 0xFFFF8000},
                              {0.0f, -0.8f, 0.5f, 0xFF00FFFF}};
    d.set_render_state(kRsPointSize, 0x40800000);  // 4.0f
    cell(d, 0, 0, 0);
    if (!fillMode) return succeeded(d.draw_primitive_up(kPtPointList, 3, tri, sizeof(PosColour)));
    d.set_render_state(kRsFillMode, kFillPoint);
    return succeeded(d.draw_primitive_up(kPtTriangleList, 1, tri, sizeof(PosColour)));
}

bool point_list_scene(GraphicsDevice& d) { return points_scene(d, false); }
bool point_fill_scene(GraphicsDevice& d) { return points_scene(d, true); }

// Blending off, one weight (two matrices), two weights (three matrices), and one weight read from
// a format that carries two.
bool vertex_blend_scene(GraphicsDevice& d) {
    struct Blend1 { float x, y, z, w; std::uint32_t colour; };
    struct Blend2 { float x, y, z, w0, w1; std::uint32_t colour; };
    flat_setup(d, kFvfXyzB1 | kFvfDiffuse);
    select_diffuse(d);
    const Blend1 strip1[4] = {{-0.5f, 0.5f, 0.5f, 1.0f, 0xFFFFFFFF}, {0.0f, 0.5f, 0.5f, 0.0f, 0xFFFFFFFF},
                              {-0.5f, -0.5f, 0.5f, 1.0f, 0xFFFFFFFF}, {0.0f, -0.5f, 0.5f, 0.0f, 0xFFFFFFFF}};
    d.set_transform(world_matrix(1), matrix_translation(0.5f, 0.0f, 0.0f));
    cell(d, 0, 0, 0);
    bool ok = strip(d, strip1, sizeof(Blend1));
    d.set_render_state(kRsVertexBlend, 1);
    cell(d, 1, 0, 0);
    ok &= strip(d, strip1, sizeof(Blend1));
    d.set_fvf(kFvfXyzB2 | kFvfDiffuse);
    d.set_transform(world_matrix(1), matrix_translation(0.4f, 0.0f, 0.0f));
    d.set_transform(world_matrix(2), matrix_translation(0.8f, 0.0f, 0.0f));
    d.set_render_state(kRsVertexBlend, 2);
    const Blend2 strip2[4] = {{-0.5f, 0.5f, 0.5f, 1.0f, 0.0f, 0xFFFFFFFF},
                              {0.0f, 0.5f, 0.5f, 0.25f, 0.25f, 0xFFFFFFFF},
                              {-0.5f, -0.5f, 0.5f, 1.0f, 0.0f, 0xFFFFFFFF},
                              {0.0f, -0.5f, 0.5f, 0.25f, 0.25f, 0xFFFFFFFF}};
    cell(d, 0, 1, 0);
    ok &= strip(d, strip2, sizeof(Blend2));
    d.set_render_state(kRsVertexBlend, 1);
    cell(d, 1, 1, 0);
    ok &= strip(d, strip2, sizeof(Blend2));
    return ok;
}

// Normals blended with the positions' weights light as their weighted sum; three weights too.
bool blended_normals_scene(GraphicsDevice& d) {
    struct BlendNormal { float x, y, z, w, nx, ny, nz; };
    struct Blend3Normal { float x, y, z, w0, w1, w2, nx, ny, nz; };
    d.set_transform(kTsView, matrix_identity());
    d.set_transform(kTsProjection, matrix_identity());
    d.set_transform(world_matrix(0), matrix_identity());
    d.set_transform(world_matrix(1), matrix_rotation_y(0.7f));
    d.set_transform(world_matrix(2), matrix_rotation_x(-0.6f));
    d.set_transform(world_matrix(3), matrix_rotation_y(-0.9f));
    d.set_render_state(kRsCullMode, kCullNone);
    d.set_render_state(kRsVertexBlend, 1);
    d.set_material(test_material());
    d.set_light(0, test_light({0.0f, 0.0f, 1.0f}));
    d.light_enable(0, true);
    select_diffuse(d);
    bool ok = succeeded(d.set_fvf(kFvfXyzB1 | kFvfNormal));
    const BlendNormal tri[3] = {{-0.8f, -0.8f, 0.5f, 0.5f, 0, 0, -1}, {0.0f, 0.8f, 0.5f, 0.5f, 0, 0, -1},
                                {0.8f, -0.8f, 0.5f, 0.5f, 0, 0, -1}};
    cell(d, 0, 0, 0);
    ok &= succeeded(d.draw_primitive_up(kPtTriangleList, 1, tri, sizeof(BlendNormal)));
    // Three weights, four matrices (the skinned fish's widest groups).
    ok &= succeeded(d.set_fvf(kFvfXyzB3 | kFvfNormal));
    d.set_render_state(kRsVertexBlend, 3);
    const Blend3Normal tri3[3] = {{-0.8f, -0.8f, 0.5f, 0.1f, 0.2f, 0.3f, 0, 0, -1},
                                  {0.0f, 0.8f, 0.5f, 0.4f, 0.3f, 0.2f, 0, 0, -1},
                                  {0.8f, -0.8f, 0.5f, 0.7f, 0.1f, 0.1f, 0, 0, -1}};
    cell(d, 1, 0, 0);
    ok &= succeeded(d.draw_primitive_up(kPtTriangleList, 1, tri3, sizeof(Blend3Normal)));
    return ok;
}

// Two quads from one vertex buffer through a base vertex index, 16- and 32-bit indices.
bool indexed_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColour);
    select_diffuse(d);
    PosColour vertices[8];
    quad(vertices, 0xFFFF0000, 0.5f, -1.0f, -1.0f, 0.0f, 0.0f);
    quad(vertices + 4, 0xFF0000FF, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f);
    const std::uint16_t indices16[6] = {0, 1, 2, 2, 1, 3};
    const std::uint32_t indices32[6] = {0, 1, 2, 2, 1, 3};
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib16 = nullptr;
    IndexBuffer* ib32 = nullptr;
    bool ok = succeeded(d.create_vertex_buffer(vertices, sizeof vertices, kFvfPosColour, &vb)) &&
              succeeded(d.create_index_buffer(indices16, sizeof indices16, false, &ib16)) &&
              succeeded(d.create_index_buffer(indices32, sizeof indices32, true, &ib32));
    if (ok) {
        d.set_stream_source(vb, sizeof(PosColour));
        d.set_indices(ib16);
        cell(d, 0, 0, 0);
        ok &= succeeded(d.draw_indexed_primitive(kPtTriangleList, 0, 0, 4, 0, 2));
        ok &= succeeded(d.draw_indexed_primitive(kPtTriangleList, 4, 0, 4, 0, 2));
        d.set_indices(ib32);
        cell(d, 1, 0, 0x00404040);
        ok &= succeeded(d.draw_indexed_primitive(kPtTriangleList, 4, 0, 4, 0, 2));
        ok &= succeeded(d.draw_indexed_primitive(kPtTriangleList, 0, 0, 4, 3, 1));
        d.set_stream_source(nullptr, 0);
        d.set_indices(nullptr);
    }
    if (ib32) ib32->release();
    if (ib16) ib16->release();
    if (vb) vb->release();
    return ok;
}

// A 4 x 4 tile stretched whole, in part, doubled and unevenly, from the top left; then keyed with
// opaque black.
bool stretch_rect_scene(GraphicsDevice& d) {
    std::vector<std::uint32_t> tile(16);
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 4; ++x) tile[y * 4 + x] = 0xFF000000u | (x * 60u) << 16 | (y * 60u) << 8 | 0x20u;
    Surface* surface = nullptr;
    Surface* back = nullptr;
    bool ok = succeeded(d.create_offscreen_plain_surface(4, 4, kFmtX8R8G8B8, kPoolDefault, &surface)) &&
              succeeded(d.load_surface(surface, image_of(4, 4, tile), 0)) &&
              succeeded(d.get_back_buffer(0, 0, &back));
    if (ok) {
        d.clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
        const Rect whole{10, 20, 14, 24}, part{1, 2, 3, 4}, partDest{30, 5, 32, 7};
        // 3 texels to 8 and to 4 pixels: no pixel centre falls on a border between two texels,
        // where the texel taken is left to the implementation.
        const Rect doubled{0, 0, 2, 2}, doubledDest{40, 40, 44, 44}, odd{1, 0, 4, 3}, wide{50, 8, 58, 12};
        ok &= succeeded(d.stretch_rect(surface, nullptr, back, &whole, kTexfNone));
        ok &= succeeded(d.stretch_rect(surface, &part, back, &partDest, kTexfNone));
        ok &= succeeded(d.stretch_rect(surface, &doubled, back, &doubledDest, kTexfNone));
        ok &= succeeded(d.stretch_rect(surface, &odd, back, &wide, kTexfPoint));
        // The wallpaper's key, opaque black.
        tile[5] = 0xFF000000u;
        ok &= succeeded(d.load_surface(surface, image_of(4, 4, tile), 0xFF000000u));
        const Rect keyed{10, 40, 18, 48};
        ok &= succeeded(d.stretch_rect(surface, nullptr, back, &keyed, kTexfNone));
    }
    if (back) back->release();
    if (surface) surface->release();
    return ok;
}

// A surface loaded with a colour key that is not black, stretched: the keyed texel turns
// transparent black.
bool colour_key_scene(GraphicsDevice& d) {
    std::vector<std::uint32_t> tile(16, 0xFF3060C0u);
    tile[5] = tile[10] = 0xFFFF00FFu;
    Surface* surface = nullptr;
    Surface* back = nullptr;
    bool ok = succeeded(d.create_offscreen_plain_surface(4, 4, kFmtX8R8G8B8, kPoolDefault, &surface)) &&
              succeeded(d.load_surface(surface, image_of(4, 4, tile), 0xFFFF00FFu)) &&
              succeeded(d.get_back_buffer(0, 0, &back));
    if (ok) {
        d.clear(0, nullptr, kClearTarget, 0x00808080, 1.0f, 0);
        const Rect dest{16, 16, 48, 48};
        ok &= succeeded(d.stretch_rect(surface, nullptr, back, &dest, kTexfNone));
    }
    if (back) back->release();
    if (surface) surface->release();
    return ok;
}

// A texture asked for as DXT1 keeps one-bit alpha; as A8R8G8B8 the alpha blends; as X8R8G8B8 it
// is opaque.
bool dxt1_scene(GraphicsDevice& d) {
    flat_setup(d, kFvfPosColourTex);
    d.set_texture_stage_state(0, kTssColorOp, kTopSelectArg1);
    d.set_texture_stage_state(0, kTssColorArg1, kTaTexture);
    d.set_texture_stage_state(0, kTssAlphaOp, kTopSelectArg1);
    d.set_texture_stage_state(0, kTssAlphaArg1, kTaTexture);
    alpha_blending(d, true);
    // Alpha 100 on the left, 200 on the right; whole 4 x 4 blocks, as Direct3D wants of DXT1.
    std::vector<std::uint32_t> texels(8 * 4);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = i % 8 < 4 ? 0x64FF0000u : 0xC800FF00u;
    const DecodedImage image = image_of(8, 4, texels);
    PosColourTex v[4];
    textured_quad(v, 0xFFFFFFFF);
    bool ok = true;
    const std::uint32_t formats[3] = {kFmtDxt1, kFmtA8R8G8B8, kFmtX8R8G8B8};
    for (std::uint32_t i = 0; i < 3; ++i) {
        Texture* texture = nullptr;
        if (failed(d.create_texture(image, kD3DXDefault, 0, formats[i], kPoolManaged, &texture))) return false;
        d.set_texture(0, texture);
        cell(d, i, 0, 0x000000FF);
        ok &= strip(d, v, sizeof(PosColourTex));
        d.set_texture(0, nullptr);
        texture->release();
    }
    return ok;
}

PresentParams present_params(std::uint32_t width, std::uint32_t height, WindowHandle window) {
    PresentParams p{};
    p.backBufferWidth = width;
    p.backBufferHeight = height;
    p.backBufferFormat = kFmtX8R8G8B8;
    p.backBufferCount = 1;
    p.swapEffect = kSwapEffectDiscard;
    p.deviceWindow = window;
    p.windowed = 1;
    p.enableAutoDepthStencil = 1;
    p.autoDepthStencilFormat = kFmtD24S8;
    p.presentationInterval = kPresentIntervalImmediate;
    return p;
}

std::string hex(HResult hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace

const std::vector<DeviceScene>& device_scenes() {
    static const std::vector<DeviceScene> scenes = {
        {"clear", 1, 1, clear_scene, nullptr},
        {"lit_triangle", 2, 2, lit_triangle_scene, nullptr},
        {"vertex_colour", 2, 2, vertex_colour_scene, nullptr},
        {"texture_stage", 2, 2, texture_stage_scene, nullptr},
        {"empty_stage", 2, 2, empty_stage_scene, nullptr},
        {"empty_stage_select", 1, 1, empty_stage_select_scene,
         "Wine passes the diffuse colour on where the texture argument of an empty stage is selected alone; "
         "Direct3D 7's documentation gives that argument as opaque white, Direct3D 9's says only that the first "
         "alpha argument defaults to the diffuse colour there (the program never selects it alone, and for "
         "its texture times diffuse Wine and the white reading agree)"},
        {"blending", 2, 2, blending_scene, nullptr},
        {"depth", 2, 2, depth_scene, nullptr},
        {"culling", 3, 2, culling_scene, nullptr},
        {"fill_modes", 2, 1, fill_mode_scene, nullptr},
        {"point_list", 1, 1, point_list_scene, nullptr},
        {"point_fill", 1, 1, point_fill_scene,
         "Direct3D documents the point size for point primitives only; Wine draws a triangle's points in point "
         "fill mode one pixel large, the OpenGL device at the point size (no object of the program sets point fill)"},
        {"vertex_blend", 2, 2, vertex_blend_scene, nullptr},
        {"blended_normals", 2, 1, blended_normals_scene, nullptr},
        {"indexed", 2, 1, indexed_scene, nullptr},
        {"stretch_rect", 1, 1, stretch_rect_scene, nullptr},
        // Both devices key the texels themselves (device/texture_levels.h) before D3DX sees them, as
        // Wine's D3DX clears only the alpha of a keyed texel where D3DX documents transparent black.
        {"colour_key", 1, 1, colour_key_scene, nullptr},
        {"dxt1", 3, 1, dxt1_scene, nullptr},
    };
    return scenes;
}

namespace {

// Compared at a lower share than the device scenes: the scenery is point sampled (the sampler's
// default), and where a pixel centre falls exactly on a texel border Direct3D leaves the texel to
// the implementation; Wine and the OpenGL device then take neighbours (rows every few pixels of
// the bubbles and plants, some 0.4% of a frame).
const char* const kAquariumScenes[] = {"aquarium", "aquarium_pellets", "aquarium_wireframe",
                                       "aquarium_untextured_pellets"};

// One run of the program, handing the sink its frames (or, when start-up fails, the reason).
void aquarium_run(GraphicsPlatform& platform, WindowHandle window, bool withFoodTexture, FrameSink& sink) {
    const std::vector<std::string> names = withFoodTexture
                                               ? std::vector<std::string>{kAquariumScenes[0], kAquariumScenes[1],
                                                                          kAquariumScenes[2]}
                                               : std::vector<std::string>{kAquariumScenes[3]};
    bool any = false;
    for (const std::string& n : names) any = any || sink.wanted(n);
    if (!any) return;
    ReadOnlyFiles files(file_system());
    if (!withFoodTexture) files.hidden.push_back("texture.pak");
    FileSystemScope useFiles(files);
    CapturePlatform capture(platform);
    SessionOptions options;
    options.quality = 0;  // 640 x 480
    AquariumSession session(options, capture, window);
    std::string why;
    auto fail_all = [&] {
        for (const std::string& n : names)
            if (sink.wanted(n)) sink.frame(n, nullptr, why);
    };
    if (!session.start(&why)) return fail_all();
    Aquarium& aq = session.aquarium();
    session.clear_fish();
    aq.rand.srand(7);
    aq.flags.showTopics = 0;
    const char* kinds[] = {"0", "1", "2", "3"};
    const char* fishNames[] = {"a", "b", "c", "d"};
    for (int i = 0; i < 4; ++i)
        if (session.add_fish(kinds[i], fishNames[i], 50, &why) < 0) return fail_all();
    // Seconds pass unseen, as behind a covering window; a few frames then pose the fish.
    auto pass = [&](double unseen) {
        session.set_desktop_visible(false);
        session.run_seconds(unseen);
        session.set_desktop_visible(true);
        session.run_seconds(0.1);
    };
    auto take = [&](const std::string& name) {
        if (!sink.wanted(name)) return;
        capture.arm();
        aq.render_frame();
        if (capture.frame.pixels.empty()) sink.frame(name, nullptr, "the frame could not be read");
        else sink.frame(name, &capture.frame, "");
    };
    pass(2.0);
    if (withFoodTexture) take(kAquariumScenes[0]);
    session.command(kCmdFeed);
    pass(0.5);
    take(withFoodTexture ? kAquariumScenes[1] : kAquariumScenes[3]);
    if (!withFoodTexture) return;
    session.command(kCmdDrawMode);
    pass(0.0);
    take(kAquariumScenes[2]);
}

}  // namespace

std::vector<std::string> scene_names() {
    std::vector<std::string> names;
    for (const DeviceScene& s : device_scenes()) names.push_back(s.name);
    for (const char* name : kAquariumScenes) names.push_back(name);
    return names;
}

bool is_aquarium_scene(const std::string& name) {
    for (const char* n : kAquariumScenes)
        if (name == n) return true;
    return false;
}

const char* left_out_reason(const std::string& name) {
    for (const DeviceScene& s : device_scenes())
        if (name == s.name) return s.leftOut;
    return nullptr;
}

SceneDevice::~SceneDevice() {
    if (device_) device_->release();
    if (system_) system_->release();
}

bool SceneDevice::draw(const DeviceScene& scene, Picture* picture, std::string* why) {
    const PresentParams params = present_params(scene.columns * kCell, scene.rows * kCell, window_);
    HResult hr = kOk;
    if (!device_) {
        if (!system_) system_ = platform_.create_graphics_system(kD3DSdkVersion);
        if (!system_) {
            *why = "no graphics system";
            return false;
        }
        hr = system_->create_device(0, kDevTypeHal, window_, kCreateHardwareVertexProcessing, params, &device_);
        if (failed(hr) || !device_) {
            device_ = nullptr;
            *why = "no device (" + hex(hr) + ")";
            return false;
        }
    } else if (failed(hr = device_->reset(params))) {
        *why = "the device does not reset (" + hex(hr) + ")";
        return false;
    }
    const bool drawn = succeeded(device_->begin_scene()) && scene.draw(*device_);
    device_->end_scene();
    if (!drawn) {
        *why = "a call the scene relies on failed";
        return false;
    }
    if (!read_back_buffer(*device_, picture)) {
        *why = "the back buffer could not be read";
        return false;
    }
    return true;
}

void draw_aquarium_scenes(GraphicsPlatform& platform, WindowHandle window, FrameSink& sink) {
    aquarium_run(platform, window, true, sink);
    aquarium_run(platform, window, false, sink);
}

}  // namespace brine::scenes
