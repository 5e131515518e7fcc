// What the scenes tool needs of the platform it runs on, given by one glue file per platform
// (scenes_host_linux.cpp: OpenGL through Qt; scenes_host_windows.cpp: Direct3D 9): the graphics
// platform, a window for its devices and the working folder. Tool code: no platform header here.
#pragma once
#include <memory>
#include <string>

#include "device/graphics_device.h"

namespace brine::scenes {

class ScenesHost {
public:
    virtual ~ScenesHost() = default;
    virtual GraphicsPlatform& graphics() = 0;
    // The window devices are created on; null where the platform draws offscreen.
    virtual WindowHandle window() = 0;
    // The devices' name in reports ("opengl", "direct3d9").
    virtual const char* name() const = 0;
};

// The host of this platform; null with the reason when it has no graphics.
std::unique_ptr<ScenesHost> make_scenes_host(std::string* why);
// Makes `path` the current directory; false when it cannot.
bool change_directory(const std::string& path);
// The current directory, or "." when it cannot be told.
std::string current_directory();

}  // namespace brine::scenes
