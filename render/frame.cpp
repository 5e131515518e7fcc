// render_frame, in the order the frame has always been composed.
#include "render/frame.h"

#include <cstdio>
#include <cstring>

#include "render/text.h"

namespace brine {

namespace {

void set_fixed_states(GraphicsDevice& device) {
    device.set_render_state(kRsZEnable, kZbTrue);
    device.set_render_state(kRsFillMode, kFillSolid);
    device.set_render_state(kRsCullMode, kCullCcw);
    device.set_render_state(kRsShadeMode, kShadeGouraud);
    device.set_render_state(kRsLighting, 1);
    device.set_render_state(kRsDitherEnable, 1);
    device.set_render_state(kRsAmbient, kSceneAmbient);
    device.set_render_state(kRsSpecularEnable, 0);
    for (std::uint32_t stage = 0; stage < 4; ++stage) {
        device.set_texture_stage_state(stage, kTssColorOp, kTopDisable);
        device.set_texture_stage_state(stage, kTssColorArg1, kTaDiffuse);
        device.set_texture_stage_state(stage, kTssColorArg2, kTaTexture);
        device.set_texture_stage_state(stage, kTssAlphaOp, kTopDisable);
        device.set_texture_stage_state(stage, kTssAlphaArg1, kTaDiffuse);
        device.set_texture_stage_state(stage, kTssAlphaArg2, kTaTexture);
    }
}

void draw_fish(Scene& scene, const FrameInputs& inputs, const TankView& tank, GraphicsDevice& device) {
    const bool wireframe = inputs.fishDrawModeFlag != 0;
    for (int entry = 0; entry < kFishSlotCount; ++entry) {
        const std::int32_t slot = tank.draw_order(entry);
        if (slot < 0 || slot >= kFishSlotCount) continue;
        SceneObject* body = tank.fish_body(slot);
        if (!body) continue;
        if (body->drawableKind == kDrawMesh && body->drawable && body->drawable->kind == kResourceMesh &&
            scene.services.meshes)
            scene.services.meshes->set_mesh_overrides(*body->drawable, wireframe, wireframe);
        body->set_culling(wireframe);
        body->set_lighting(!wireframe);
        body->set_wireframe(wireframe);
        draw_scene_object(*body, device, scene.services.meshes);
    }
}

void draw_pellets(Scene& scene, const TankView& tank, GraphicsDevice& device) {
    for (int i = 0; i < kPelletCount; ++i) {
        if (!tank.pellet_active(i)) continue;
        if (SceneObject* board = tank.pellet_board(i)) draw_scene_object(*board, device, scene.services.meshes);
    }
}

// Centred on an assumed 7 pixels a byte; the halving truncates towards zero.
std::int32_t caption_left(std::int32_t sx, const char* text) {
    const auto len = static_cast<std::int32_t>(std::strlen(text));
    return sx - (len * 7) / 2;
}

void draw_captions(Scene& scene, const FrameInputs& inputs, const TankView& tank) {
    FontResource* font = scene.systemFont;
    begin_font(font);
    draw_shadow_text(font, kCopyrightLine, inputs.backBufferWidth - 320, 20, kCopyrightColor, kShadowColor);
    for (int slot = 0; slot < kFishSlotCount && scene.camera; ++slot) {
        const SceneObject* body = tank.fish_body(slot);
        if (!body) continue;
        Vec3 screen;
        if (!project_to_screen(&screen, body->position, *scene.camera)) continue;
        const auto sx = static_cast<std::int32_t>(screen.x);
        const auto sy = static_cast<std::int32_t>(screen.y);
        if (inputs.showNames) {
            if (const char* name = tank.fish_name(slot))
                draw_shadow_text(font, name, caption_left(sx, name), sy - 40, kCaptionColor, kShadowColor);
        }
        if (inputs.showSatiety) {
            char satiety[32];  // the format and any int32 fit
            std::snprintf(satiety, sizeof satiety, kSatietyFormat, tank.fish_satiety(slot));
            draw_shadow_text(font, satiety, caption_left(sx, satiety), sy + 40, kCaptionColor, kShadowColor);
        }
    }
    end_font(font);
}

}  // namespace

HResult render_frame(Scene& scene, const FrameInputs& inputs, const TankView& tank) {
    DisplayContext& display = *scene.services.display;
    if (!display.device) return kFail;
    GraphicsDevice& device = *display.device;

    set_fixed_states(device);
    device.clear(0, nullptr, kClearTarget | kClearZBuffer, scene.clearColor, scene.clearDepth, 0);
    if (succeeded(device.begin_scene())) {
        Surface* backBuffer = nullptr;
        if (failed(device.get_back_buffer(0, 0, &backBuffer))) backBuffer = nullptr;
        if (scene.wallpaperBlit && (!inputs.drawWallpaper || *inputs.drawWallpaper != 0))
            draw_wallpaper(*scene.wallpaperBlit, device, backBuffer, inputs.wallpaperMode, inputs.backBufferWidth,
                           inputs.backBufferHeight);
        if (backBuffer) backBuffer->release();

        if (scene.camera) scene.camera->apply();
        if (scene.sceneLight) scene.sceneLight->apply(device, 0);
        draw_fish(scene, inputs, tank, device);
        draw_pellets(scene, tank, device);
        draw_captions(scene, inputs, tank);

        if (inputs.showTopics) {
            begin_font(scene.topixFont);
            const char* text = inputs.topics ? inputs.topics->topic_text(inputs.topicIndex) : nullptr;
            if (text)
                draw_ticker_text(scene.topixFont, text, inputs.backBufferWidth - inputs.topicScroll,
                                 inputs.backBufferHeight - 32, kTickerColor, kShadowColor);
            end_font(scene.topixFont);
        }
        device.end_scene();
    }
    if (succeeded(device.present())) return kOk;
    device.reset(display.presentParams);
    return kFail;
}

}  // namespace brine
