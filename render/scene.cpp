// Scene build and teardown.
#include "render/scene.h"

#include <new>

#include "render/text.h"

namespace brine {

namespace {

constexpr float kSceneAspect = 1.3333334f;  // 4/3 whatever the back-buffer size
constexpr const char* kFoodTexture = "tex_food";
constexpr const char* kBoardVertices = "vtx_board";

FontResource* make_font(Scene& scene, const char* name, std::int32_t height, std::int32_t weight) {
    FontResource* font = scene.services.registry->get_or_create<FontResource>(name);
    if (font && scene.services.display->device)
        create_font(*font, *scene.services.display->device, height, weight, kGothicFace);
    return font;
}

std::unique_ptr<SceneObject> make_pellet_board(const ResourceRegistry& registry) {
    std::unique_ptr<SceneObject> board(new (std::nothrow) SceneObject());
    if (!board) return board;
    board->attach_board(registry, kBoardVertices);
    board->set_texture(0, registry, kFoodTexture);
    board->set_blend_mode(kBlendAlpha);
    board->set_lighting(false);
    board->set_depth_test(true);
    board->set_face_pitch(true);
    board->set_face_yaw(true);
    board->set_scale(3.0f, 3.0f, 3.0f);
    board->set_position(0.0f, 0.0f, 0.0f);
    board->set_diffuse(1.0f, 1.0f, 1.0f, 1.0f);
    board->set_ambient(0.5f, 0.5f, 0.5f, 1.0f);
    return board;
}

}  // namespace

HResult init_scene(Scene& scene, const SceneSettings& settings) {
    DisplayContext& display = *scene.services.display;
    ResourceRegistry& registry = *scene.services.registry;

    scene.camera.reset(new (std::nothrow) Camera(display.device, display.deviceWidth, display.deviceHeight));
    if (Camera* camera = scene.camera.get()) {
        camera->set_aspect(kSceneAspect);
        camera->set_fov(kQuarterPi);
        camera->set_near_far(1.0f, 1000.0f);
        camera->set_look_at(0.0f, 0.0f, 0.0f);
        camera->set_eye(0.0f, 0.0f, -300.0f);
        camera->set_up(0.0f, 1.0f, 0.0f);
    }

    scene.sceneLight.reset(new (std::nothrow) SceneLight());
    if (SceneLight* light = scene.sceneLight.get()) {
        light->reset_to_defaults();
        light->set_direction(0.0f, -1.0f, 1.0f);
        light->set_ambient(0.75f, 0.75f, 0.75f, 1.0f);
        light->set_diffuse(1.0f, 1.0f, 1.0f, 1.0f);
        light->set_specular(0.0f, 0.0f, 0.0f, 1.0f);
    }

    scene.systemFont = make_font(scene, "font_system", 12, 400);
    scene.clearColor = kClearColor;
    scene.clearDepth = 1.0f;

    if (auto* food = registry.get_or_create<TextureResource>(kFoodTexture)) {
        TextureRequest request;
        request.path = "texture.pak";
        request.member = "food.dds";
        request.mipLevels = kD3DXDefault;
        request.format = kFmtDxt1;
        load_texture(*food, scene.image_loader(), request);  // no texture: pellets are drawn untextured
    }
    if (auto* board = registry.get_or_create<BoardResource>(kBoardVertices))
        build_board(*board, 1.0f, 1.0f, false);

    scene.wallpaperBlit.reset(new (std::nothrow) ImageBlit());
    registry.get_or_create<SurfaceResource>(kWallpaperEntry);
    if (scene.wallpaperBlit)
        load_wallpaper(*scene.wallpaperBlit, registry, scene.image_loader(), settings.wallpaperFile,
                       settings.backBufferWidth, settings.backBufferHeight);

    scene.services.fish->reset_fish_slots();
    scene.services.fish->load_roster();
    for (int i = 0; i < kPelletCount; ++i) scene.services.fish->set_pellet_board(i, make_pellet_board(registry));

    scene.topixFont = make_font(scene, "font_topix", 18, 700);
    return kOk;
}

void release_display(Scene& scene) {
    scene.services.registry->release_all_resources();
    scene.systemFont = nullptr;
    scene.topixFont = nullptr;
    if (scene.wallpaperBlit) scene.wallpaperBlit->image = nullptr;
    release_graphics_system(*scene.services.display);
}

namespace {

void tear_down_scene(Scene& scene) {
    scene.wallpaperBlit.reset();
    for (int slot = 0; slot < kFishSlotCount; ++slot) scene.services.fish->clear_fish_slot(slot);
    release_display(scene);
}

}  // namespace

HResult recreate_display(Scene& scene, const DisplayServices& displayServices, const SceneSettings& settings) {
    tear_down_scene(scene);
    if (failed(init_direct3d(*scene.services.display, displayServices, settings.webViewWindow,
                             settings.backBufferWidth, settings.backBufferHeight, 1)))
        return kFail;
    if (failed(init_scene(scene, settings))) return kFail;
    return kOk;
}

HResult shutdown_display(Scene& scene) {
    tear_down_scene(scene);
    scene.services.fish->free_catalog_arrays();
    scene.services.fish->free_topics();
    scene.camera.reset();
    scene.sceneLight.reset();
    release_display_objects(*scene.services.display);
    return kOk;
}

}  // namespace brine
