// The pictures two graphics devices are compared on: the device pixel tests' cases, drawn side
// by side in 64 x 64 cells of one back buffer (clearing, lighting, vertex colour, texture stage 0,
// blending, depth, culling, fill modes, vertex blending, indexed drawing, StretchRect, DXT1), and
// whole aquarium frames of the program's own start-up, tank and frame code. Each scene draws
// through the device interface only. Tool code over the core: no platform header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "device/graphics_device.h"
#include "tools/scenes/picture.h"

namespace brine::scenes {

struct DeviceScene {
    const char* name;
    std::uint32_t columns, rows;  // of 64 x 64 cells
    // Draws between begin_scene and end_scene on a fresh device; false when a call it relies on failed.
    bool (*draw)(GraphicsDevice& device);
    // Why the scene is drawn but not compared (a case where Wine departs from Direct3D's
    // documentation, or the documentation does not decide); null when it is compared.
    const char* leftOut;
};

const std::vector<DeviceScene>& device_scenes();

// Whole frames of the aquarium at a fixed seed and simulated time, without text.
struct AquariumScene {
    const char* name;
    bool wireframe;     // the draw-mode command given
    bool feed;          // the feed command given, pellets on screen
    bool withoutFoodTexture;  // "texture.pak" missing: untextured pellets
};

const std::vector<AquariumScene>& aquarium_scenes();

// Every scene's name, device scenes first.
std::vector<std::string> scene_names();
// Why the named scene is left out of the comparison; null when it is compared.
const char* left_out_reason(const std::string& name);

// Creates a device of the scene's size on `platform` (windowed on `window`, which may be null
// where the platform draws offscreen), draws the scene and reads it back. False with the reason.
bool draw_device_scene(GraphicsPlatform& platform, WindowHandle window, const DeviceScene& scene, Picture* picture,
                       std::string* why);

// Starts the program in the current directory (a program folder) on `platform`, reading its
// files but writing none, and draws the scene's frame: four fish, seed 7, two simulated seconds.
// False with the reason (Shift-JIS where the program's boxes are quoted).
bool draw_aquarium_scene(GraphicsPlatform& platform, WindowHandle window, const AquariumScene& scene, Picture* picture,
                         std::string* why);

}  // namespace brine::scenes
