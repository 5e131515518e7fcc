// A graphics platform laid over another one for a tool that wants the program's frames: every
// device made through it passes each call on unchanged, except that when armed it reads the back
// buffer just before present() (a discarding swap leaves it undefined afterwards), and its fonts
// draw nothing, so that two devices' frames can be compared without their text rasterisers.
// Tool code over the core: no platform header.
#pragma once
#include <cstdint>

#include "device/graphics_device.h"
#include "tools/scenes/picture.h"

namespace brine::scenes {

class CapturePlatform final : public GraphicsPlatform {
public:
    explicit CapturePlatform(GraphicsPlatform& inner) : inner_(inner) {}
    GraphicsSystem* create_graphics_system(std::uint32_t sdkVersion) override;

    // The next present() of any device made here keeps its frame in `frame` (read failures leave
    // it empty); later ones are passed on untouched.
    void arm() {
        armed = true;
        frame = Picture{};
    }
    bool armed = false;
    Picture frame;
    bool silentFonts = true;

private:
    GraphicsPlatform& inner_;
};

// The back buffer of `device` as it stands; false when it cannot be read.
bool read_back_buffer(GraphicsDevice& device, Picture* picture);

}  // namespace brine::scenes
