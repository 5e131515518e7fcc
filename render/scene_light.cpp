// The scene light's defaults and its hand-over to the device.
#include "render/scene_light.h"

namespace brine {

void SceneLight::reset_to_defaults() {
    light = Light{};
    light.type = kLightDirectional;
    light.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.specular = {0.0f, 0.0f, 0.0f, 0.0f};
    light.ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    light.range = 120.0f;
    light.falloff = 1.0f;
    light.attenuation0 = 1.0f;
    light.direction = {1.0f, -1.0f, -1.0f};
}

HResult SceneLight::apply(GraphicsDevice& device, std::uint32_t index) const {
    device.set_light(index, light);
    device.light_enable(index, true);
    return kOk;
}

}  // namespace brine
