// Camera matrices, viewport and the projection of world points to back-buffer pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/camera.h"
#include "render/d3dx_math.h"
#include "tests/support/recording_device.h"

namespace brine {
namespace {

// The scene's camera as the scene start sets it up.
Camera scene_camera(GraphicsDevice* device, std::int32_t w, std::int32_t h) {
    Camera camera(device, w, h);
    camera.set_aspect(4.0f / 3.0f);
    camera.set_fov(kQuarterPi);
    camera.set_near_far(1.0f, 1000.0f);
    camera.set_look_at(0, 0, 0);
    camera.set_eye(0, 0, -300);
    camera.set_up(0, 1, 0);
    return camera;
}

bool same(const Matrix& a, const Matrix& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(Camera, ConstructionSetsViewportAndDefaults) {
    test::RecordingDevice device;
    Camera camera(&device, 1600, 1200);
    EXPECT_EQ(device.log().texts(), (std::vector<std::string>{"set_viewport(0 0 1600 1200 0 1)"}));
    EXPECT_EQ(camera.handedness, kLeftHanded);
    EXPECT_FLOAT_EQ(camera.eye.z, -500.0f);
    EXPECT_FLOAT_EQ(camera.aspect, 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(camera.fov, 0.7853982f);
    EXPECT_TRUE(same(camera.view, matrix_look_at_lh({0, 0, -500}, {0, 0, 0}, {0, 1, 0})));
    EXPECT_TRUE(same(camera.projection, matrix_perspective_fov_lh(0.7853982f, 4.0f / 3.0f, 1.0f, 1000.0f)));

    Camera wide(&device, 1280, 1024);
    EXPECT_FLOAT_EQ(wide.aspect, 1.25f);
}

TEST(Camera, SettersRecomputeOnlyTheirOwnMatrix) {
    test::RecordingDevice device;
    Camera camera = scene_camera(&device, 640, 480);
    Matrix projection = camera.projection, view = camera.view;
    camera.set_eye(10, 20, -100);
    EXPECT_TRUE(same(camera.projection, projection));
    EXPECT_FALSE(same(camera.view, view));
    view = camera.view;
    camera.set_fov(1.0f);
    EXPECT_TRUE(same(camera.view, view));
    EXPECT_FALSE(same(camera.projection, projection));

    camera.handedness = kRightHanded;
    camera.set_eye(0, 0, -300);
    EXPECT_TRUE(same(camera.view, matrix_look_at_rh({0, 0, -300}, {0, 0, 0}, {0, 1, 0})));
    camera.set_aspect(2.0f);
    EXPECT_TRUE(same(camera.projection, matrix_perspective_fov_rh(1.0f, 2.0f, 1.0f, 1000.0f)));
    camera.handedness = 7;  // neither: both matrices stay as they are
    view = camera.view;
    projection = camera.projection;
    camera.set_eye(1, 2, 3);
    camera.set_near_far(5, 50);
    EXPECT_TRUE(same(camera.view, view));
    EXPECT_TRUE(same(camera.projection, projection));
}

TEST(Camera, ApplySetsViewThenProjectionAndStopsAtAFailure) {
    test::RecordingDevice device;
    Camera camera = scene_camera(&device, 640, 480);
    device.log().clear();
    EXPECT_EQ(camera.apply(), kOk);
    EXPECT_EQ(device.log().texts(),
              (std::vector<std::string>{"set_transform(VIEW, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 0 300 1])",
                                        "set_transform(PROJECTION, [1.81066 0 0 0 | 0 2.41421 0 0 | "
                                        "0 0 1.001 1 | 0 0 -1.001 0])"}));
    device.log().clear();
    device.failures().fail("set_transform", kFail, "VIEW");
    EXPECT_EQ(camera.apply(), kFail);
    EXPECT_EQ(device.log().calls.size(), 1u);
}

// Walks x from `start` by single float steps until the projected screen x reaches `target`.
float world_x_for_screen_x(const Camera& camera, float target) {
    // On the z = 0 plane, screen x = 320 (1 + x xScale / 300); start just below the target.
    float xScale = camera.projection.m[0][0];
    float x = (target / (camera.screenWidth * 0.5f) - 1.0f) * 300.0f / xScale;
    x = std::nextafter(x, -1e9f);
    for (int i = 0; i < 64; ++i) x = std::nextafter(x, -1e9f);
    for (int i = 0; i < 400; ++i) {
        Vec3 p = vec3_transform_coord({x, 0, 0}, matrix_multiply(camera.view, camera.projection));
        float sx = camera.screenWidth * 0.5f * (p.x + 1.0f);
        if (sx >= target) return x;
        x = std::nextafter(x, 1e9f);
    }
    return x;
}

TEST(ProjectToScreen, CentreMarginsAndBehindTheEye) {
    test::RecordingDevice device;
    Camera camera = scene_camera(&device, 640, 480);
    Vec3 out{-1, -1, -1};
    ASSERT_EQ(project_to_screen(&out, {0, 0, 0}, camera), 1);
    EXPECT_FLOAT_EQ(out.x, 320.0f);
    EXPECT_FLOAT_EQ(out.y, 240.0f);
    EXPECT_FLOAT_EQ(out.z, 0.0f);
    EXPECT_EQ(project_to_screen(nullptr, {0, 0, 0}, camera), 1);  // out is optional

    // Exactly 20 pixels beyond the right edge still counts; half a pixel more does not.
    float edge = world_x_for_screen_x(camera, 660.0f);
    ASSERT_EQ(project_to_screen(&out, {edge, 0, 0}, camera), 1);
    EXPECT_EQ(out.x, 660.0f);
    Vec3 untouched{7, 7, 7};
    EXPECT_EQ(project_to_screen(&untouched, {world_x_for_screen_x(camera, 660.5f), 0, 0}, camera), 0);
    EXPECT_EQ(untouched.x, 7.0f);
    // The left margin mirrors it.
    ASSERT_EQ(project_to_screen(&out, {-edge, 0, 0}, camera), 1);
    EXPECT_NEAR(out.x, -20.0f, 1e-3f);
    EXPECT_EQ(project_to_screen(&out, {-edge * 1.01f, 0, 0}, camera), 0);
    // Top and bottom: y = 240 - 240 * p.y, p.y = y * 2.41421 / 300.
    float yEdge = (260.0f / 240.0f) * 300.0f / camera.projection.m[1][1];
    EXPECT_EQ(project_to_screen(&out, {0, yEdge * 0.999f, 0}, camera), 1);
    EXPECT_GT(out.y, -20.0f);
    EXPECT_EQ(project_to_screen(&out, {0, yEdge * 1.01f, 0}, camera), 0);
    EXPECT_EQ(project_to_screen(&out, {0, -yEdge * 0.999f, 0}, camera), 1);
    EXPECT_LT(out.y, 500.0f);
    EXPECT_EQ(project_to_screen(&out, {0, -yEdge * 1.01f, 0}, camera), 0);

    // Behind the eye, beyond the far plane, and in the eye's own plane.
    EXPECT_EQ(project_to_screen(&out, {0, 0, -400}, camera), 0);
    EXPECT_EQ(project_to_screen(&out, {0, 0, 701}, camera), 0);
    EXPECT_EQ(project_to_screen(&out, {0, 0, -300}, camera), 0);
    EXPECT_EQ(project_to_screen(&out, {5, 5, -300}, camera), 0);
}

TEST(ProjectToScreen, FollowsTheBackBufferSizeNotTheAspect) {
    test::RecordingDevice device;
    Camera big = scene_camera(&device, 1600, 1200);
    EXPECT_FLOAT_EQ(big.aspect, 4.0f / 3.0f);
    EXPECT_EQ(big.viewport.width, 1600u);
    Vec3 out{};
    ASSERT_EQ(project_to_screen(&out, {0, 0, 0}, big), 1);
    EXPECT_FLOAT_EQ(out.x, 800.0f);
    EXPECT_FLOAT_EQ(out.y, 600.0f);
    // A point to the upper right lands at proportionally the same place on both sizes.
    Camera small = scene_camera(&device, 640, 480);
    Vec3 a{}, b{};
    ASSERT_EQ(project_to_screen(&a, {30, 20, 10}, small), 1);
    ASSERT_EQ(project_to_screen(&b, {30, 20, 10}, big), 1);
    EXPECT_NEAR(b.x / 1600.0f, a.x / 640.0f, 1e-5f);
    EXPECT_NEAR(b.y / 1200.0f, a.y / 480.0f, 1e-5f);
    EXPECT_GT(a.x, 320.0f);
    EXPECT_LT(a.y, 240.0f);  // y grows downwards
}

}  // namespace
}  // namespace brine
