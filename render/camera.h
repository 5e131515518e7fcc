// The one view into the tank: viewport over the whole back buffer, look-at view and perspective
// projection kept consistent with their inputs by every setter, and the projection of world
// positions to back-buffer pixels for the fish captions.
// Must not depend on anything but the graphics-device interface and the D3DX math.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "device/d3d_types.h"
#include "device/graphics_device.h"

namespace brine {

enum Handedness : std::int32_t { kLeftHanded = 0, kRightHanded = 1 };

constexpr float kQuarterPi = 0.7853982f;  // bits 0x3F490FD8

// Fields are public for reading; change them through the setters so the matrices follow.
class Camera {
public:
    // Viewport (0, 0, deviceWidth, deviceHeight) handed to the device at once; eye (0, 0, -500)
    // looking at the origin; fov pi/4, near 1, far 1000, aspect deviceWidth / deviceHeight.
    // The device size is also the screen that project_to_screen maps to.
    Camera(GraphicsDevice* device, std::int32_t deviceWidth, std::int32_t deviceHeight);

    void set_eye(float x, float y, float z);
    void set_look_at(float x, float y, float z);
    void set_up(float x, float y, float z);
    void set_fov(float radians);
    void set_aspect(float aspect);
    void set_near_far(float nearZ, float farZ);
    HResult set_viewport(const Rect& rect);
    // View then projection transform; stops at the first failure.
    HResult apply();

    std::int32_t handedness = kLeftHanded;  // any value but 0 or 1 freezes both matrices
    Viewport viewport{};
    Vec3 eye{}, at{}, up{};
    float fov = 0, aspect = 0, nearPlane = 0, farPlane = 0;
    Matrix view{}, projection{};
    std::int32_t screenWidth = 0, screenHeight = 0;

private:
    void compute_view();
    void compute_projection();
    GraphicsDevice* device_;
};

// World position to back-buffer pixels through the camera. 1 with out = (x, y, 0) when the point
// is in front of the eye, not beyond the far plane and within 20 pixels of the back buffer;
// 0 otherwise (out untouched). A point in the eye's own plane has no projection and gives 0.
int project_to_screen(Vec3* out, const Vec3& position, const Camera& camera);

}  // namespace brine
