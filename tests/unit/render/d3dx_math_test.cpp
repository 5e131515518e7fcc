// D3DX math against values worked out by hand from the documented matrix layouts.
#include <gtest/gtest.h>

#include <cmath>

#include "render/d3dx_math.h"

namespace brine {
namespace {

constexpr float kPi = 3.14159265f;

void expect_vec(const Vec3& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void expect_matrix(const Matrix& a, const float (&e)[16], float tol = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i / 4][i % 4], e[i], tol) << "element " << i / 4 << "," << i % 4;
}

void expect_same(const Matrix& a, const Matrix& b, float tol = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], tol) << "element " << i;
}

TEST(D3dxMath, RotationsAreLeftHandedOnRowVectors) {
    expect_vec(vec3_transform_coord({0, 1, 0}, matrix_rotation_x(kPi / 2)), 0, 0, 1);
    expect_vec(vec3_transform_coord({0, 0, 1}, matrix_rotation_y(kPi / 2)), 1, 0, 0);
    expect_vec(vec3_transform_coord({1, 0, 0}, matrix_rotation_z(kPi / 2)), 0, 1, 0);
    // sin and cos of 30 degrees land where the layout puts them.
    expect_matrix(matrix_rotation_y(kPi / 6),
                  {0.8660254f, 0, -0.5f, 0, 0, 1, 0, 0, 0.5f, 0, 0.8660254f, 0, 0, 0, 0, 1});
}

TEST(D3dxMath, ProductsComposeLeftToRight) {
    Matrix scaleThenMove = matrix_multiply(matrix_scaling(2, 2, 2), matrix_translation(1, 0, 0));
    Matrix moveThenScale = matrix_multiply(matrix_translation(1, 0, 0), matrix_scaling(2, 2, 2));
    expect_vec(vec3_transform_coord({1, 0, 0}, scaleThenMove), 3, 0, 0);
    expect_vec(vec3_transform_coord({1, 0, 0}, moveThenScale), 4, 0, 0);
    expect_matrix(matrix_translation(5, -6, 7), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, -6, 7, 1});
}

TEST(D3dxMath, LookAtLeftAndRightHanded) {
    Matrix lh = matrix_look_at_lh({0, 0, -300}, {0, 0, 0}, {0, 1, 0});
    expect_matrix(lh, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 300, 1});
    // Eye on +x looking back at the origin: view z runs along world -x.
    Matrix side = matrix_look_at_lh({10, 0, 0}, {0, 0, 0}, {0, 1, 0});
    expect_matrix(side, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 1});
    expect_vec(vec3_transform_coord({0, 0, 0}, side), 0, 0, 10);
    Matrix rh = matrix_look_at_rh({0, 0, -300}, {0, 0, 0}, {0, 1, 0});
    expect_matrix(rh, {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, -300, 1});
}

TEST(D3dxMath, PerspectiveMapsNearToZeroAndFarToOne) {
    Matrix lh = matrix_perspective_fov_lh(kPi / 2, 2.0f, 1.0f, 3.0f);
    expect_matrix(lh, {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.5f, 1, 0, 0, -1.5f, 0});
    expect_vec(vec3_transform_coord({0, 0, 1}, lh), 0, 0, 0);
    expect_vec(vec3_transform_coord({2, 1, 3}, lh), 1.0f / 3, 1.0f / 3, 1);
    Matrix rh = matrix_perspective_fov_rh(kPi / 2, 2.0f, 1.0f, 3.0f);
    expect_matrix(rh, {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1.5f, -1, 0, 0, -1.5f, 0});
    expect_vec(vec3_transform_coord({0, 0, -3}, rh), 0, 0, 1);
}

TEST(D3dxMath, VectorHelpers) {
    expect_vec(vec3_normalize({3, 4, 0}), 0.6f, 0.8f, 0);
    expect_vec(vec3_normalize({0, 0, 0}), 0, 0, 0);
    Matrix m = matrix_multiply(matrix_rotation_z(kPi / 2), matrix_translation(100, 100, 100));
    expect_vec(vec3_transform_normal({1, 0, 0}, m), 0, 1, 0);
    expect_vec(vec3_transform_coord({1, 0, 0}, m), 100, 101, 100);
    expect_vec(vec3_cross({1, 0, 0}, {0, 1, 0}), 0, 0, 1);
}

Quaternion axis_angle(Vec3 axis, float angle) {
    float s = std::sin(angle / 2);
    return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2)};
}

TEST(D3dxMath, QuaternionMatrixMatchesAxisRotations) {
    for (float a : {0.3f, 1.2f, -2.5f, 3.0f}) {
        expect_same(matrix_rotation_quaternion(axis_angle({1, 0, 0}, a)), matrix_rotation_x(a));
        expect_same(matrix_rotation_quaternion(axis_angle({0, 1, 0}, a)), matrix_rotation_y(a));
        expect_same(matrix_rotation_quaternion(axis_angle({0, 0, 1}, a)), matrix_rotation_z(a));
    }
    // Round trip through every branch of the matrix-to-quaternion conversion.
    for (Quaternion q : {axis_angle({0, 0, 1}, 0.5f), axis_angle({1, 0, 0}, 3.1f), axis_angle({0, 1, 0}, 3.1f),
                         axis_angle({0, 0, 1}, 3.1f), axis_angle(vec3_normalize({1, 2, 3}), 2.0f)}) {
        Quaternion back = quaternion_rotation_matrix(matrix_rotation_quaternion(q));
        expect_same(matrix_rotation_quaternion(back), matrix_rotation_quaternion(q));
    }
}

TEST(D3dxMath, SlerpTakesTheShortArc) {
    Quaternion q0 = quaternion_identity();
    Quaternion q90 = axis_angle({0, 0, 1}, kPi / 2);
    expect_same(matrix_rotation_quaternion(quaternion_slerp(q0, q90, 0.5f)), matrix_rotation_z(kPi / 4));
    Quaternion neg{-q90.x, -q90.y, -q90.z, -q90.w};  // the same rotation, opposite hemisphere
    expect_same(matrix_rotation_quaternion(quaternion_slerp(q0, neg, 0.5f)), matrix_rotation_z(kPi / 4));
    // Nearly equal inputs fall back to a plain lerp without dividing by a tiny sine.
    Quaternion close = axis_angle({0, 0, 1}, 0.001f);
    Quaternion mid = quaternion_slerp(q0, close, 0.5f);
    EXPECT_TRUE(std::isfinite(mid.w));
    EXPECT_NEAR(mid.z, close.z / 2, 1e-6f);
}

TEST(D3dxMath, InverseDeterminantAndDecompose) {
    Matrix m = matrix_multiply(matrix_multiply(matrix_scaling(2, 3, 4), matrix_rotation_y(0.7f)),
                               matrix_translation(5, -6, 7));
    Matrix inv;
    float det = 0;
    ASSERT_TRUE(matrix_inverse(m, &inv, &det));
    EXPECT_NEAR(det, 24.0f, 1e-4f);
    expect_same(matrix_multiply(m, inv), matrix_identity(), 1e-5f);
    EXPECT_FALSE(matrix_inverse(matrix_scaling(1, 0, 1), &inv));

    Vec3 s, t;
    Quaternion q;
    ASSERT_TRUE(matrix_decompose(m, &s, &q, &t));
    expect_vec(s, 2, 3, 4);
    expect_vec(t, 5, -6, 7);
    expect_same(matrix_rotation_quaternion(q), matrix_rotation_y(0.7f));
    EXPECT_FALSE(matrix_decompose(matrix_scaling(0, 1, 1), &s, &q, &t));
}

}  // namespace
}  // namespace brine
