// The scene: what init_scene builds on a fresh device (camera, light, fonts, food texture, board
// vertices, wallpaper, the fish from the save file, the pellet boards) and the three teardowns:
// release_display, recreate_display (a whole rebuild after a lost device or a new back-buffer
// size) and shutdown_display. The fish side is reached only through SceneFishHooks.
// Must not depend on fish/ internals, shell/ or any platform header.
#pragma once
#include <cstdint>
#include <memory>

#include "base/result.h"
#include "data/resource_registry.h"
#include "render/camera.h"
#include "render/display_context.h"
#include "render/image_loading.h"
#include "render/mesh_hooks.h"
#include "render/scene_light.h"
#include "render/scene_object.h"
#include "render/wallpaper.h"

namespace brine {

constexpr int kFishSlotCount = 16;
constexpr int kPelletCount = 16;
constexpr D3DColor kClearColor = 0x004F4FFFu;

// "ＭＳ ゴシック" (MS Gothic)
constexpr const char* kGothicFace = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

// What the scene asks of the tank, the catalog and the topics, implemented by their owners.
// Called only from the scene operations below, on the main thread.
class SceneFishHooks {
public:
    virtual ~SceneFishHooks() = default;
    // init_scene: every fish slot is empty here (first start, or all were cleared); zero them
    // and set drawOrder to 0..15.
    virtual void reset_fish_slots() = 0;
    // init_scene: the save file's fish are created (load_roster); its result is not looked at.
    virtual void load_roster() = 0;
    // init_scene: pellet 0..15 becomes inactive and owns `board` from now on; the board of an
    // earlier scene is freed.
    virtual void set_pellet_board(int pellet, std::unique_ptr<SceneObject> board) = 0;
    // recreate_display, shutdown_display: releases the slot's body, mesh, name and motion
    // records and zeroes it so that it reads as free. Also called by the delete-fish dialog.
    virtual void clear_fish_slot(int slot) = 0;
    // shutdown_display: the catalog's three per-kind arrays of every row, freed and nulled.
    virtual void free_catalog_arrays() = 0;
    // shutdown_display: the texts of all 64 topic entries, freed and nulled.
    virtual void free_topics() = 0;
};

// The records the scene operations work on; all outlive the scene.
struct SceneServices {
    DisplayContext* display = nullptr;
    ResourceRegistry* registry = nullptr;
    SceneFishHooks* fish = nullptr;
    MeshHooks* meshes = nullptr;        // null: mesh objects are neither advanced nor drawn
    ImageDecoder decodeImage = nullptr;
};

// The values init_scene reads (Part of the settings the shell keeps).
struct SceneSettings {
    std::int32_t backBufferWidth = 640;
    std::int32_t backBufferHeight = 480;
    const char* wallpaperFile = "bg_sprite1.jpg";
    WindowHandle webViewWindow = nullptr;  // the device window, found once at start-up
};

// The process-wide references init_scene sets; read by render_frame and the settings dialog.
struct Scene {
    explicit Scene(const SceneServices& s) : services(s) {}
    ImageLoader image_loader() const { return {services.display->device, services.decodeImage}; }

    SceneServices services;
    std::unique_ptr<Camera> camera;
    std::unique_ptr<SceneLight> sceneLight;
    FontResource* systemFont = nullptr;  // the registry owns both fonts
    FontResource* topixFont = nullptr;
    std::unique_ptr<ImageBlit> wallpaperBlit;
    D3DColor clearColor = 0;
    float clearDepth = 0.0f;
};

// Builds everything a frame draws on the device of init_direct3d; the registry is empty (first
// start or after release_display). Failed loads leave empty entries; always 0. A camera, light
// and pellet boards of an earlier call are freed as they are replaced.
HResult init_scene(Scene& scene, const SceneSettings& settings);

// Every registered resource, then the graphics system. The scene's font and picture references
// are cleared with them.
void release_display(Scene& scene);

// The whole rebuild: wallpaper blit, fish slots, registry and graphics system go; then
// init_direct3d on the web-view window at settings' back-buffer size (the caller sets it from
// qualityIndex first) and init_scene. 0, or E_FAIL when the device cannot be made again (no
// scene resource is built then).
HResult recreate_display(Scene& scene, const DisplayServices& displayServices, const SceneSettings& settings);

// At exit, after the settings and roster are saved: the teardown of recreate_display, the
// catalog arrays and the topic texts, then the device, shaders and effect, camera and light.
// Always 0.
HResult shutdown_display(Scene& scene);

}  // namespace brine
