// D3DX-compatible math. Formulas follow the D3DX documentation's matrix layouts; single
// precision throughout except the inverse, whose cofactors are summed in double.
#include "render/d3dx_math.h"

#include <cmath>

namespace brine {

Vec3 vec3_add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 vec3_subtract(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 vec3_scale(const Vec3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
float vec3_dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 vec3_cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float vec3_length(const Vec3& v) { return std::sqrt(vec3_dot(v, v)); }

Vec3 vec3_lerp(const Vec3& a, const Vec3& b, float t) {
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

Vec3 vec3_normalize(const Vec3& v) {
    float len = vec3_length(v);
    if (len == 0.0f) return {0.0f, 0.0f, 0.0f};
    return {v.x / len, v.y / len, v.z / len};
}

Vec3 vec3_transform_coord(const Vec3& v, const Matrix& m) {
    const auto& a = m.m;
    float w = v.x * a[0][3] + v.y * a[1][3] + v.z * a[2][3] + a[3][3];
    return {(v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0] + a[3][0]) / w,
            (v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1] + a[3][1]) / w,
            (v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2] + a[3][2]) / w};
}

Vec3 vec3_transform_normal(const Vec3& v, const Matrix& m) {
    const auto& a = m.m;
    return {v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0], v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1],
            v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2]};
}

Matrix matrix_identity() {
    Matrix r{};
    r.m[0][0] = r.m[1][1] = r.m[2][2] = r.m[3][3] = 1.0f;
    return r;
}

Matrix matrix_multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

Matrix matrix_transpose(const Matrix& m) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    return r;
}

Matrix matrix_scaling(float sx, float sy, float sz) {
    Matrix r = matrix_identity();
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    return r;
}

Matrix matrix_translation(float x, float y, float z) {
    Matrix r = matrix_identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

Matrix matrix_rotation_x(float angle) {
    Matrix r = matrix_identity();
    float c = std::cos(angle), s = std::sin(angle);
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

Matrix matrix_rotation_y(float angle) {
    Matrix r = matrix_identity();
    float c = std::cos(angle), s = std::sin(angle);
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

Matrix matrix_rotation_z(float angle) {
    Matrix r = matrix_identity();
    float c = std::cos(angle), s = std::sin(angle);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix matrix_rotation_quaternion(const Quaternion& q) {
    Matrix r = matrix_identity();
    r.m[0][0] = 1.0f - 2.0f * (q.y * q.y + q.z * q.z);
    r.m[0][1] = 2.0f * (q.x * q.y + q.z * q.w);
    r.m[0][2] = 2.0f * (q.x * q.z - q.y * q.w);
    r.m[1][0] = 2.0f * (q.x * q.y - q.z * q.w);
    r.m[1][1] = 1.0f - 2.0f * (q.x * q.x + q.z * q.z);
    r.m[1][2] = 2.0f * (q.y * q.z + q.x * q.w);
    r.m[2][0] = 2.0f * (q.x * q.z + q.y * q.w);
    r.m[2][1] = 2.0f * (q.y * q.z - q.x * q.w);
    r.m[2][2] = 1.0f - 2.0f * (q.x * q.x + q.y * q.y);
    return r;
}

namespace {

// The common layout of both look-at variants: axes as columns, eye moved to the origin.
Matrix view_from_axes(const Vec3& x, const Vec3& y, const Vec3& z, const Vec3& eye) {
    Matrix r{};
    r.m[0][0] = x.x; r.m[0][1] = y.x; r.m[0][2] = z.x;
    r.m[1][0] = x.y; r.m[1][1] = y.y; r.m[1][2] = z.y;
    r.m[2][0] = x.z; r.m[2][1] = y.z; r.m[2][2] = z.z;
    r.m[3][0] = -vec3_dot(x, eye);
    r.m[3][1] = -vec3_dot(y, eye);
    r.m[3][2] = -vec3_dot(z, eye);
    r.m[3][3] = 1.0f;
    return r;
}

}  // namespace

Matrix matrix_look_at_lh(const Vec3& eye, const Vec3& at, const Vec3& up) {
    Vec3 z = vec3_normalize(vec3_subtract(at, eye));
    Vec3 x = vec3_normalize(vec3_cross(up, z));
    Vec3 y = vec3_cross(z, x);
    return view_from_axes(x, y, z, eye);
}

Matrix matrix_look_at_rh(const Vec3& eye, const Vec3& at, const Vec3& up) {
    Vec3 z = vec3_normalize(vec3_subtract(eye, at));
    Vec3 x = vec3_normalize(vec3_cross(up, z));
    Vec3 y = vec3_cross(z, x);
    return view_from_axes(x, y, z, eye);
}

Matrix matrix_perspective_fov_lh(float fovY, float aspect, float zn, float zf) {
    Matrix r{};
    float yScale = 1.0f / std::tan(fovY / 2.0f);
    r.m[0][0] = yScale / aspect;
    r.m[1][1] = yScale;
    r.m[2][2] = zf / (zf - zn);
    r.m[2][3] = 1.0f;
    r.m[3][2] = -zn * zf / (zf - zn);
    return r;
}

Matrix matrix_perspective_fov_rh(float fovY, float aspect, float zn, float zf) {
    Matrix r{};
    float yScale = 1.0f / std::tan(fovY / 2.0f);
    r.m[0][0] = yScale / aspect;
    r.m[1][1] = yScale;
    r.m[2][2] = zf / (zn - zf);
    r.m[2][3] = -1.0f;
    r.m[3][2] = zn * zf / (zn - zf);
    return r;
}

namespace {

// Determinant of the 3x3 minor that leaves out row r and column c.
double minor3(const Matrix& m, int r, int c) {
    int rows[3], cols[3];
    for (int i = 0, k = 0; i < 4; ++i)
        if (i != r) rows[k++] = i;
    for (int j = 0, k = 0; j < 4; ++j)
        if (j != c) cols[k++] = j;
    auto e = [&](int i, int j) { return static_cast<double>(m.m[rows[i]][cols[j]]); };
    return e(0, 0) * (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) - e(0, 1) * (e(1, 0) * e(2, 2) - e(1, 2) * e(2, 0)) +
           e(0, 2) * (e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0));
}

}  // namespace

float matrix_determinant(const Matrix& m) {
    double det = 0.0;
    for (int j = 0; j < 4; ++j) {
        double cof = ((j & 1) ? -1.0 : 1.0) * minor3(m, 0, j);
        det += m.m[0][j] * cof;
    }
    return static_cast<float>(det);
}

bool matrix_inverse(const Matrix& m, Matrix* out, float* determinant) {
    double cof[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) cof[i][j] = (((i + j) & 1) ? -1.0 : 1.0) * minor3(m, i, j);
    double det = 0.0;
    for (int j = 0; j < 4; ++j) det += m.m[0][j] * cof[0][j];
    if (determinant) *determinant = static_cast<float>(det);
    if (det == 0.0 || !std::isfinite(det)) return false;
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = static_cast<float>(cof[j][i] / det);  // adjugate / det
    *out = r;
    return true;
}

bool matrix_decompose(const Matrix& m, Vec3* scale, Quaternion* rotation, Vec3* translation) {
    Vec3 rows[3];
    for (int i = 0; i < 3; ++i) rows[i] = {m.m[i][0], m.m[i][1], m.m[i][2]};
    Vec3 s{vec3_length(rows[0]), vec3_length(rows[1]), vec3_length(rows[2])};
    if (translation) *translation = {m.m[3][0], m.m[3][1], m.m[3][2]};
    if (scale) *scale = s;
    if (s.x == 0.0f || s.y == 0.0f || s.z == 0.0f) return false;
    Matrix n = matrix_identity();
    const float inv[3] = {1.0f / s.x, 1.0f / s.y, 1.0f / s.z};
    for (int i = 0; i < 3; ++i) {
        n.m[i][0] = rows[i].x * inv[i];
        n.m[i][1] = rows[i].y * inv[i];
        n.m[i][2] = rows[i].z * inv[i];
    }
    if (rotation) *rotation = quaternion_rotation_matrix(n);
    return true;
}

Quaternion quaternion_identity() { return {0.0f, 0.0f, 0.0f, 1.0f}; }

float quaternion_dot(const Quaternion& a, const Quaternion& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

Quaternion quaternion_normalize(const Quaternion& q) {
    float len = std::sqrt(quaternion_dot(q, q));
    if (len == 0.0f) return {0.0f, 0.0f, 0.0f, 0.0f};
    return {q.x / len, q.y / len, q.z / len, q.w / len};
}

Quaternion quaternion_slerp(const Quaternion& a, const Quaternion& b, float t) {
    float wa = 1.0f - t;
    float d = quaternion_dot(a, b);
    if (d < 0.0f) {
        t = -t;
        d = -d;
    }
    if (1.0f - d > 0.001f) {
        float theta = std::acos(d);
        float sinTheta = std::sin(theta);
        wa = std::sin(theta * wa) / sinTheta;
        t = std::sin(theta * t) / sinTheta;
    }
    return {wa * a.x + t * b.x, wa * a.y + t * b.y, wa * a.z + t * b.z, wa * a.w + t * b.w};
}

Quaternion quaternion_rotation_matrix(const Matrix& m) {
    const auto& a = m.m;
    float trace = a[0][0] + a[1][1] + a[2][2] + 1.0f;
    if (trace > 1.0f) {
        float s = 2.0f * std::sqrt(trace);
        return {(a[1][2] - a[2][1]) / s, (a[2][0] - a[0][2]) / s, (a[0][1] - a[1][0]) / s, 0.25f * s};
    }
    int k = 0;
    if (a[1][1] > a[k][k]) k = 1;
    if (a[2][2] > a[k][k]) k = 2;
    if (k == 0) {
        float s = 2.0f * std::sqrt(1.0f + a[0][0] - a[1][1] - a[2][2]);
        return {0.25f * s, (a[0][1] + a[1][0]) / s, (a[0][2] + a[2][0]) / s, (a[1][2] - a[2][1]) / s};
    }
    if (k == 1) {
        float s = 2.0f * std::sqrt(1.0f + a[1][1] - a[0][0] - a[2][2]);
        return {(a[0][1] + a[1][0]) / s, 0.25f * s, (a[1][2] + a[2][1]) / s, (a[2][0] - a[0][2]) / s};
    }
    float s = 2.0f * std::sqrt(1.0f + a[2][2] - a[0][0] - a[1][1]);
    return {(a[0][2] + a[2][0]) / s, (a[1][2] + a[2][1]) / s, 0.25f * s, (a[0][1] - a[1][0]) / s};
}

}  // namespace brine
