// Scene-object construction and transforms.
#include "render/scene_object.h"

#include <cmath>

#include "render/camera.h"
#include "render/d3dx_math.h"
#include "render/mesh_hooks.h"

namespace brine {

namespace {

constexpr float kHalfPi = 1.570796f;

float wrap_once(float a) {
    if (a < 0.0f) return a + kTwoPi;
    if (a > kTwoPi) return a - kTwoPi;
    return a;
}

}  // namespace

SceneObject::SceneObject() {
    material.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    world = matrix_identity();
}

void SceneObject::move_by(const Vec3& delta) { position = vec3_add(position, delta); }

void SceneObject::rotate_by(float dx, float dy, float dz) {
    rotation.x = wrap_once(rotation.x + dx);
    rotation.y = wrap_once(rotation.y + dy);
    rotation.z = wrap_once(rotation.z + dz);
}

void SceneObject::build_world_matrix() {
    Matrix m = matrix_scaling(scale.x, scale.y, scale.z);
    m = matrix_multiply(m, matrix_rotation_x(rotation.x));
    m = matrix_multiply(m, matrix_rotation_y(rotation.y));
    m = matrix_multiply(m, matrix_rotation_z(rotation.z));
    world = matrix_multiply(m, matrix_translation(position.x, position.y, position.z));
}

HResult SceneObject::advance_object(float elapsedSeconds, const Camera* camera, MeshHooks* meshes) {
    const Vec3 kept = rotation;
    if (camera && (renderFlags & (kFlagFacePitch | kFlagFaceYaw))) {
        Vec3 v = vec3_subtract(camera->at, camera->eye);
        if (renderFlags & kFlagFaceYaw) rotate_by(0.0f, std::atan2(v.x, v.z), 0.0f);
        if (renderFlags & kFlagFacePitch) rotate_by(std::atan2(v.z, v.y) - kHalfPi, 0.0f, 0.0f);
    }
    build_world_matrix();
    rotation = kept;  // facing the camera turns this frame's matrix only
    // The skinned-mesh side moves its animation on and re-poses its frames under `world`.
    if (drawableKind == kDrawMesh && drawable && meshes)
        meshes->advance_mesh(*static_cast<MeshResource*>(drawable), elapsedSeconds, world);
    return kOk;
}

float distance3(const Vec3& a, const Vec3& b) {
    float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace brine
