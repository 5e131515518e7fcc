// Scene-object transforms, board geometry and the scene light.
#include <gtest/gtest.h>

#include <cmath>

#include "fish/mesh_resource.h"
#include "render/board.h"
#include "render/camera.h"
#include "render/d3dx_math.h"
#include "render/mesh_hooks.h"
#include "render/scene_light.h"
#include "render/scene_object.h"
#include "tests/support/recording_device.h"

namespace brine {
namespace {

constexpr float kPi = 3.14159265f;

void expect_near_matrix(const Matrix& a, const Matrix& b, float tol = 1e-4f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], tol) << "element " << i;
}

TEST(SceneObject, ConstructionDefaultsAndFlagSetters) {
    SceneObject o;
    EXPECT_EQ(o.drawableKind, kDrawNothing);
    EXPECT_EQ(o.drawable, nullptr);
    for (auto* t : o.textures) EXPECT_EQ(t, nullptr);
    EXPECT_EQ(o.blendMode, kBlendOpaque);
    EXPECT_EQ(o.renderFlags, 7u);
    EXPECT_EQ(o.material.diffuse.a, 1.0f);
    EXPECT_EQ(o.material.ambient.r, 1.0f);
    EXPECT_EQ(o.material.specular.r, 0.0f);
    EXPECT_EQ(o.material.emissive.g, 0.0f);
    EXPECT_EQ(o.material.power, 0.0f);
    expect_near_matrix(o.world, matrix_identity(), 0);
    EXPECT_EQ(o.scale.y, 1.0f);
    EXPECT_EQ(o.pointSize, 1.0f);

    o.set_lighting(false);
    o.set_culling(false);
    o.set_face_pitch(true);
    o.set_face_yaw(true);
    o.set_wireframe(true);
    EXPECT_EQ(o.renderFlags, 0x2u | 0x10u | 0x20u | 0x200u);
    o.set_depth_test(false);
    o.set_wireframe(false);
    EXPECT_EQ(o.renderFlags, 0x30u);
    o.set_specular(0.1f, 0.2f, 0.3f, 0.4f, 8.0f);
    EXPECT_EQ(o.material.specular.b, 0.3f);
    EXPECT_EQ(o.material.power, 8.0f);
}

TEST(SceneObject, RotateByWrapsOnceIntoATurn) {
    SceneObject o;
    o.rotate_by(kTwoPi, 6.3f, -0.5f);
    EXPECT_EQ(o.rotation.x, kTwoPi);  // exactly on the wrap value: left there
    EXPECT_NEAR(o.rotation.y, 0.016816f, 1e-5f);
    EXPECT_NEAR(o.rotation.z, 5.783184f, 1e-5f);
    SceneObject big;
    big.rotate_by(13.0f, -7.0f, 0.0f);  // one correction only
    EXPECT_NEAR(big.rotation.x, 6.716816f, 1e-5f);
    EXPECT_NEAR(big.rotation.y, -0.716816f, 1e-5f);
    // An angle set from outside stays until the next rotate_by.
    big.set_rotation(0, -3.0f, 0);
    EXPECT_EQ(big.rotation.y, -3.0f);
    big.rotate_by(0, 0, 0);
    EXPECT_NEAR(big.rotation.y, 3.283184f, 1e-5f);
    o.move_by({1, 2, 3});
    o.move_by({1, 0, -3});
    EXPECT_EQ(o.position.x, 2.0f);
    EXPECT_EQ(o.position.z, 0.0f);
}

TEST(SceneObject, WorldIsScaledPitchedTurnedRolledThenPlaced) {
    SceneObject o;
    o.set_scale(2, 2, 2);
    o.set_rotation(0, kPi / 2, 0);
    o.set_position(10, 0, 0);
    o.build_world_matrix();
    Vec3 p = vec3_transform_coord({1, 0, 0}, o.world);
    EXPECT_NEAR(p.x, 10, 1e-5f);
    EXPECT_NEAR(p.y, 0, 1e-5f);
    EXPECT_NEAR(p.z, -2, 1e-5f);
    // Pitch comes before yaw: +y pitched a quarter turn points along +z, then yaw takes it to +x.
    o.set_scale(1, 1, 1);
    o.set_position(0, 0, 0);
    o.set_rotation(kPi / 2, kPi / 2, 0);
    o.build_world_matrix();
    p = vec3_transform_coord({0, 1, 0}, o.world);
    EXPECT_NEAR(p.x, 1, 1e-5f);
    EXPECT_NEAR(p.y, 0, 1e-5f);
    EXPECT_NEAR(p.z, 0, 1e-5f);
    // Roll last of the three.
    o.set_rotation(0, kPi / 2, kPi / 2);
    o.build_world_matrix();
    p = vec3_transform_coord({0, 0, 1}, o.world);  // yaw: +z -> +x; roll: +x -> +y
    EXPECT_NEAR(p.y, 1, 1e-5f);
}

class RecordingMeshes : public MeshHooks {
public:
    void reset_mesh_time(ResourceNode&) override {}
    void advance_mesh(ResourceNode& mesh, float seconds, const Matrix& world) override {
        advanced = &mesh;
        elapsed = seconds;
        parent = world;
    }
    void set_mesh_overrides(ResourceNode&, bool, bool) override {}
    HResult draw_mesh(GraphicsDevice&, ResourceNode&) override { return kOk; }
    ResourceNode* advanced = nullptr;
    float elapsed = 0;
    Matrix parent{};
};

TEST(SceneObject, AdvanceFacesTheCameraInTheMatrixOnly) {
    test::RecordingDevice device;
    Camera camera(&device, 640, 480);
    camera.set_eye(0, 0, -300);
    SceneObject board;
    board.set_face_pitch(true);
    board.set_face_yaw(true);
    board.set_scale(3, 3, 3);
    board.set_position(5, -75, 20);
    board.set_rotation(1.0f, 2.0f, 0.5f);
    EXPECT_EQ(board.advance_object(0.03f, &camera, nullptr), kOk);
    // The fixed camera looks straight down +z: both facing turns are (nearly) zero, so the
    // matrix is that of the object's own rotation.
    Matrix faced = matrix_multiply(
        matrix_multiply(matrix_multiply(matrix_multiply(matrix_scaling(3, 3, 3), matrix_rotation_x(1.0f)),
                                        matrix_rotation_y(2.0f)),
                        matrix_rotation_z(0.5f)),
        matrix_translation(5, -75, 20));
    expect_near_matrix(board.world, faced);
    EXPECT_EQ(board.rotation.x, 1.0f);
    EXPECT_EQ(board.rotation.y, 2.0f);

    // A camera off to the side turns the board about Y by atan2(v.x, v.z).
    camera.set_eye(300, 0, -300);
    SceneObject yawOnly;
    yawOnly.set_face_yaw(true);
    yawOnly.advance_object(0.0f, &camera, nullptr);
    expect_near_matrix(yawOnly.world, matrix_rotation_y(kTwoPi - kPi / 4));
    EXPECT_EQ(yawOnly.rotation.y, 0.0f);
    // Without a camera the flags do nothing.
    yawOnly.advance_object(0.0f, nullptr, nullptr);
    expect_near_matrix(yawOnly.world, matrix_identity());
}

TEST(SceneObject, AdvanceMovesAMeshOnUnderTheNewMatrix) {
    RecordingMeshes meshes;
    MeshResource mesh;
    SceneObject fish;
    fish.drawableKind = kDrawMesh;
    fish.drawable = &mesh;
    fish.set_position(1, 2, 3);
    fish.advance_object(0.25f, nullptr, &meshes);
    EXPECT_EQ(meshes.advanced, &mesh);
    EXPECT_EQ(meshes.elapsed, 0.25f);
    expect_near_matrix(meshes.parent, matrix_translation(1, 2, 3), 0);
    // A board or an empty mesh object asks nothing of the mesh side.
    RecordingMeshes untouched;
    SceneObject board;
    board.drawableKind = kDrawBoard;
    board.drawable = &mesh;
    board.advance_object(0.25f, nullptr, &untouched);
    fish.drawable = nullptr;
    fish.advance_object(0.25f, nullptr, &untouched);
    EXPECT_EQ(untouched.advanced, nullptr);
}

TEST(SceneObject, Distance3) {
    EXPECT_FLOAT_EQ(distance3({1, 2, 3}, {4, 6, 3}), 5.0f);
    EXPECT_FLOAT_EQ(distance3({-1, -1, -1}, {1, 1, 1}), std::sqrt(12.0f));
}

TEST(Board, UprightAndLyingVertices) {
    BoardVertex v[4];
    fill_board_vertices(v, 1.0f, 1.0f, false);
    const float upright[4][5] = {
        {-0.5f, -0.5f, 0, 0, 1}, {-0.5f, 0.5f, 0, 0, 0}, {0.5f, -0.5f, 0, 1, 1}, {0.5f, 0.5f, 0, 1, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, upright[i][0]);
        EXPECT_EQ(v[i].y, upright[i][1]);
        EXPECT_EQ(v[i].z, upright[i][2]);
        EXPECT_EQ(v[i].u, upright[i][3]);
        EXPECT_EQ(v[i].v, upright[i][4]);
    }
    fill_board_vertices(v, 2.0f, 4.0f, true);
    const float lying[4][5] = {{-1, 0, -2, 0, 1}, {-1, 0, 2, 0, 0}, {1, 0, -2, 1, 1}, {1, 0, 2, 1, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, lying[i][0]);
        EXPECT_EQ(v[i].y, lying[i][1]);
        EXPECT_EQ(v[i].z, lying[i][2]);
        EXPECT_EQ(v[i].u, lying[i][3]);
        EXPECT_EQ(v[i].v, lying[i][4]);
    }
}

TEST(SceneLight, DefaultsSettersAndApply) {
    SceneLight light;
    EXPECT_EQ(light.light.type, 3u);
    EXPECT_EQ(light.light.ambient.r, 0.5f);
    EXPECT_EQ(light.light.range, 120.0f);
    EXPECT_EQ(light.light.direction.x, 1.0f);
    light.set_direction(0, -1, 1);
    light.set_ambient(0.75f, 0.75f, 0.75f, 1);
    light.set_specular(0, 0, 0, 1);
    light.set_range(50, 2);
    light.set_attenuation(0, 1, 0);
    test::RecordingDevice device;
    device.failures().fail("set_light", kFail);
    EXPECT_EQ(light.apply(device, 0), kOk);  // results are not looked at
    EXPECT_EQ(device.log().texts(),
              (std::vector<std::string>{"set_light(0, type 3 d(1 1 1 1) s(0 0 0 1) a(0.75 0.75 0.75 1) pos(0 0 0) "
                                        "dir(0 -1 1) range 50 falloff 2 att(0 1 0) theta 0 phi 0)",
                                        "light_enable(0, 1)"}));
    light.reset_to_defaults();
    EXPECT_EQ(light.light.direction.z, -1.0f);
    EXPECT_EQ(light.light.specular.a, 0.0f);
    EXPECT_EQ(light.light.attenuation1, 0.0f);
}

}  // namespace
}  // namespace brine
