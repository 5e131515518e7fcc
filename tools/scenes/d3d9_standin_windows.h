// A stand-in for the program's Direct3D 9 platform, for the scenes tool only until that platform
// exists: the device interface passed straight through to IDirect3D9 / IDirect3DDevice9, with
// D3DX filling textures and surfaces from the decoded images. No fonts (the scenes draw none).
// Windows tool glue only.
#pragma once
#include "device/graphics_device.h"

namespace brine::scenes {

class StandInD3d9Platform final : public GraphicsPlatform {
public:
    GraphicsSystem* create_graphics_system(std::uint32_t sdkVersion) override;
};

}  // namespace brine::scenes
