// Camera matrices and screen projection.
#include "render/camera.h"

#include <cmath>

#include "render/d3dx_math.h"

namespace brine {

namespace {
constexpr float kScreenMargin = 20.0f;  // captions of fish just off the edge stay a little longer
}

Camera::Camera(GraphicsDevice* device, std::int32_t deviceWidth, std::int32_t deviceHeight)
    : screenWidth(deviceWidth), screenHeight(deviceHeight), device_(device) {
    set_viewport(Rect{0, 0, deviceWidth, deviceHeight});
    eye = {0.0f, 0.0f, -500.0f};
    at = {0.0f, 0.0f, 0.0f};
    up = {0.0f, 1.0f, 0.0f};
    compute_view();
    fov = kQuarterPi;
    nearPlane = 1.0f;
    farPlane = 1000.0f;
    aspect = static_cast<float>(deviceWidth) / static_cast<float>(deviceHeight);
    compute_projection();
}

void Camera::compute_view() {
    if (handedness == kLeftHanded) view = matrix_look_at_lh(eye, at, up);
    else if (handedness == kRightHanded) view = matrix_look_at_rh(eye, at, up);
}

void Camera::compute_projection() {
    if (handedness == kLeftHanded) projection = matrix_perspective_fov_lh(fov, aspect, nearPlane, farPlane);
    else if (handedness == kRightHanded) projection = matrix_perspective_fov_rh(fov, aspect, nearPlane, farPlane);
}

void Camera::set_eye(float x, float y, float z) {
    eye = {x, y, z};
    compute_view();
}

void Camera::set_look_at(float x, float y, float z) {
    at = {x, y, z};
    compute_view();
}

void Camera::set_up(float x, float y, float z) {
    up = {x, y, z};
    compute_view();
}

void Camera::set_fov(float radians) {
    fov = radians;
    compute_projection();
}

void Camera::set_aspect(float value) {
    aspect = value;
    compute_projection();
}

void Camera::set_near_far(float nearZ, float farZ) {
    nearPlane = nearZ;
    farPlane = farZ;
    compute_projection();
}

HResult Camera::set_viewport(const Rect& rect) {
    viewport.x = static_cast<std::uint32_t>(rect.left);
    viewport.y = static_cast<std::uint32_t>(rect.top);
    viewport.width = static_cast<std::uint32_t>(rect.right - rect.left);
    viewport.height = static_cast<std::uint32_t>(rect.bottom - rect.top);
    viewport.minZ = 0.0f;
    viewport.maxZ = 1.0f;
    return device_ ? device_->set_viewport(viewport) : kFail;
}

HResult Camera::apply() {
    if (!device_) return kFail;
    HResult hr = device_->set_transform(kTsView, view);
    if (failed(hr)) return hr;
    hr = device_->set_transform(kTsProjection, projection);
    return failed(hr) ? hr : kOk;
}

int project_to_screen(Vec3* out, const Vec3& position, const Camera& camera) {
    const float w = static_cast<float>(camera.screenWidth);
    const float h = static_cast<float>(camera.screenHeight);
    Vec3 p = vec3_transform_coord(position, matrix_multiply(camera.view, camera.projection));
    // The eye's own plane divides by zero; NaN would slip through every comparison below.
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return 0;
    if (p.z >= 1.0f) return 0;
    float sx = w * 0.5f * (p.x + 1.0f);
    float sy = h * 0.5f - h * 0.5f * p.y;
    if (sx < -kScreenMargin || sx > w + kScreenMargin || sy < -kScreenMargin || sy > h + kScreenMargin) return 0;
    if (out) *out = {sx, sy, 0.0f};
    return 1;
}

}  // namespace brine
