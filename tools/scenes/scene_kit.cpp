#include "tools/scenes/scene_kit.h"

#include <utility>

#include "render/d3dx_math.h"

namespace brine::scenes {

void quad(PosColour out[4], std::uint32_t colour, float z, float x0, float y0, float x1, float y1) {
    out[0] = {x0, y1, z, colour};
    out[1] = {x1, y1, z, colour};
    out[2] = {x0, y0, z, colour};
    out[3] = {x1, y0, z, colour};
}

void textured_quad(PosColourTex out[4], std::uint32_t colour) {
    out[0] = {-1, 1, 0.5f, colour, 0, 0};
    out[1] = {1, 1, 0.5f, colour, 1, 0};
    out[2] = {-1, -1, 0.5f, colour, 0, 1};
    out[3] = {1, -1, 0.5f, colour, 1, 1};
}

DecodedImage image_of(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> pixels) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels = std::move(pixels);
    image.info.width = width;
    image.info.height = height;
    image.info.depth = 1;
    image.info.mipLevels = 1;
    image.info.format = kFmtA8R8G8B8;
    image.info.resourceType = kRtypeTexture;
    image.info.imageFileFormat = kIffPng;
    image.hasAlpha = true;
    return image;
}

void flat_setup(GraphicsDevice& d, std::uint32_t fvf) {
    d.set_render_state(kRsZEnable, kZbFalse);
    d.set_transform(kTsView, matrix_identity());
    d.set_transform(kTsProjection, matrix_identity());
    d.set_transform(world_matrix(0), matrix_identity());
    d.set_render_state(kRsLighting, 0);
    d.set_render_state(kRsCullMode, kCullNone);
    d.set_fvf(fvf);
}

void select_diffuse(GraphicsDevice& d) {
    d.set_texture_stage_state(0, kTssColorOp, kTopSelectArg1);
    d.set_texture_stage_state(0, kTssColorArg1, kTaDiffuse);
    d.set_texture_stage_state(0, kTssAlphaOp, kTopSelectArg1);
    d.set_texture_stage_state(0, kTssAlphaArg1, kTaDiffuse);
}

void modulate_texture(GraphicsDevice& d) {
    d.set_texture_stage_state(0, kTssColorOp, kTopModulate);
    d.set_texture_stage_state(0, kTssColorArg1, kTaTexture);
    d.set_texture_stage_state(0, kTssColorArg2, kTaDiffuse);
    d.set_texture_stage_state(0, kTssAlphaOp, kTopModulate);
    d.set_texture_stage_state(0, kTssAlphaArg1, kTaTexture);
    d.set_texture_stage_state(0, kTssAlphaArg2, kTaDiffuse);
}

void alpha_blending(GraphicsDevice& d, bool on) {
    d.set_render_state(kRsAlphaBlendEnable, on ? 1 : 0);
    d.set_render_state(kRsSrcBlend, kBlendSrcAlpha);
    d.set_render_state(kRsDestBlend, kBlendInvSrcAlpha);
}

Material test_material() {
    Material m{};
    m.diffuse = {0.8f, 0.6f, 0.4f, 1.0f};
    m.ambient = {0.2f, 0.3f, 0.1f, 1.0f};
    m.emissive = {0.05f, 0.0f, 0.1f, 0.0f};
    return m;
}

Light test_light(Vec3 direction) {
    Light l{};
    l.type = kLightDirectional;
    l.diffuse = {1.0f, 0.9f, 0.8f, 1.0f};
    l.ambient = {0.1f, 0.2f, 0.3f, 1.0f};
    l.direction = direction;
    return l;
}

}  // namespace brine::scenes
