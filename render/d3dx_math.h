// Matrix, vector and quaternion operations with D3DX's semantics: row vectors (v' = v * M),
// left-handed unless a name says _rh, products composed left to right, single precision.
// Camera, object transforms, skinning and animation all go through these so that a Direct3D
// build and this one agree number for number. Must not depend on anything but d3d_types.h.
#pragma once
#include "device/d3d_types.h"

namespace brine {

// --- vectors ---
Vec3 vec3_add(const Vec3& a, const Vec3& b);
Vec3 vec3_subtract(const Vec3& a, const Vec3& b);
Vec3 vec3_scale(const Vec3& v, float s);
float vec3_dot(const Vec3& a, const Vec3& b);
Vec3 vec3_cross(const Vec3& a, const Vec3& b);
float vec3_length(const Vec3& v);
Vec3 vec3_lerp(const Vec3& a, const Vec3& b, float t);
// A zero vector stays zero (D3DXVec3Normalize does not divide by zero).
Vec3 vec3_normalize(const Vec3& v);
// (v, 1) * M, then divided by the resulting w (D3DXVec3TransformCoord). A w of 0 gives
// non-finite components, as D3DX does; callers that may meet it check the result.
Vec3 vec3_transform_coord(const Vec3& v, const Matrix& m);
// (v, 0) * M: direction only, no translation, no divide (D3DXVec3TransformNormal).
Vec3 vec3_transform_normal(const Vec3& v, const Matrix& m);

// --- matrices ---
Matrix matrix_identity();
// a * b: a is applied first to a row vector.
Matrix matrix_multiply(const Matrix& a, const Matrix& b);
Matrix matrix_transpose(const Matrix& m);
Matrix matrix_scaling(float sx, float sy, float sz);
Matrix matrix_translation(float x, float y, float z);
// Rotations by angle radians, clockwise when looking down the axis towards the origin
// (left-handed): RotationX maps +y towards +z, RotationY maps +z towards +x, RotationZ +x towards +y.
Matrix matrix_rotation_x(float angle);
Matrix matrix_rotation_y(float angle);
Matrix matrix_rotation_z(float angle);
// D3DXMatrixRotationQuaternion; q need not be normalised (its length is not corrected).
Matrix matrix_rotation_quaternion(const Quaternion& q);
// D3DXMatrixLookAtLH / RH: view space has +z (LH) or -z (RH) towards the look-at point.
Matrix matrix_look_at_lh(const Vec3& eye, const Vec3& at, const Vec3& up);
Matrix matrix_look_at_rh(const Vec3& eye, const Vec3& at, const Vec3& up);
// D3DXMatrixPerspectiveFovLH / RH: fovY vertical, aspect = width / height, depth zn -> 0, zf -> 1.
Matrix matrix_perspective_fov_lh(float fovY, float aspect, float zn, float zf);
Matrix matrix_perspective_fov_rh(float fovY, float aspect, float zn, float zf);
// D3DXMatrixInverse: false (out untouched) when the determinant is 0 or not finite.
bool matrix_inverse(const Matrix& m, Matrix* out, float* determinant = nullptr);
float matrix_determinant(const Matrix& m);
// D3DXMatrixDecompose for a matrix built as Scaling * Rotation * Translation; false when a
// scale is 0 (no rotation can be recovered).
bool matrix_decompose(const Matrix& m, Vec3* scale, Quaternion* rotation, Vec3* translation);

// --- quaternions ---
Quaternion quaternion_identity();
float quaternion_dot(const Quaternion& a, const Quaternion& b);
// A zero quaternion stays zero.
Quaternion quaternion_normalize(const Quaternion& q);
// D3DXQuaternionSlerp: takes the shorter arc (negates t when the dot product is negative) and
// falls back to a plain lerp when the two are within 0.001 of each other.
Quaternion quaternion_slerp(const Quaternion& a, const Quaternion& b, float t);
// D3DXQuaternionRotationMatrix: the rotation of the upper 3x3 part (assumed orthonormal).
Quaternion quaternion_rotation_matrix(const Matrix& m);

}  // namespace brine
