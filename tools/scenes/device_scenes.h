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

// Every scene's name, device scenes first, then the aquarium frames.
std::vector<std::string> scene_names();
// True for the aquarium frames.
bool is_aquarium_scene(const std::string& name);
// Why the named scene is left out of the comparison; null when it is compared.
const char* left_out_reason(const std::string& name);

// One device for a run of device scenes on `platform` (windowed on `window`, which may be null
// where the platform draws offscreen). Each scene starts from a Reset to its size, which also
// returns every state to Direct3D's defaults: a new device costs Wine a second or more.
class SceneDevice {
public:
    SceneDevice(GraphicsPlatform& platform, WindowHandle window) : platform_(platform), window_(window) {}
    ~SceneDevice();
    SceneDevice(const SceneDevice&) = delete;
    SceneDevice& operator=(const SceneDevice&) = delete;
    // Draws the scene and reads it back; false with the reason.
    bool draw(const DeviceScene& scene, Picture* picture, std::string* why);

private:
    GraphicsPlatform& platform_;
    WindowHandle window_;
    GraphicsSystem* system_ = nullptr;
    GraphicsDevice* device_ = nullptr;
};

// Where the aquarium frames go as they are drawn: the scene's name, and the picture or the reason
// it has none (Shift-JIS where the program's boxes are quoted).
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual bool wanted(const std::string& name) = 0;
    virtual void frame(const std::string& name, const Picture* picture, const std::string& why) = 0;
};

// The aquarium frames, drawn by the program's own start-up, tank and frame code from the current
// directory (a program folder), reading its files but writing none: four fish, seed 7, two
// simulated seconds unseen, then the frame ("aquarium"); food dropped and half a second more
// ("aquarium_pellets"); the draw-mode command ("aquarium_wireframe"); and, in a second run
// without "texture.pak", the food again ("aquarium_untextured_pellets"). Text draws nothing.
void draw_aquarium_scenes(GraphicsPlatform& platform, WindowHandle window, FrameSink& sink);

}  // namespace brine::scenes
