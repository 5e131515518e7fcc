// The scene's one directional light: a D3DLIGHT9 record with setters, applied as light 0 by
// every frame. Must not depend on anything but the graphics-device interface.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "device/d3d_types.h"
#include "device/graphics_device.h"

namespace brine {

class SceneLight {
public:
    SceneLight() { reset_to_defaults(); }

    // Directional, white diffuse, no specular, half-grey ambient, direction (1, -1, -1), range
    // 120, falloff 1, attenuation (1, 0, 0); everything else zero.
    void reset_to_defaults();
    void set_direction(float x, float y, float z) { light.direction = {x, y, z}; }
    void set_diffuse(float r, float g, float b, float a) { light.diffuse = {r, g, b, a}; }
    void set_specular(float r, float g, float b, float a) { light.specular = {r, g, b, a}; }
    void set_ambient(float r, float g, float b, float a) { light.ambient = {r, g, b, a}; }
    void set_range(float range, float falloff) {
        light.range = range;
        light.falloff = falloff;
    }
    void set_attenuation(float a0, float a1, float a2) {
        light.attenuation0 = a0;
        light.attenuation1 = a1;
        light.attenuation2 = a2;
    }
    // SetLight then LightEnable(TRUE); their results are not looked at.
    HResult apply(GraphicsDevice& device, std::uint32_t index) const;

    Light light{};
};

}  // namespace brine
