// Small vector, matrix and quaternion helpers for the content generator, in the D3DX conventions
// (row vectors, row-major matrices, left-handed, v' = v * M). Used to build and preview the fish.
// Must not depend on anything but the standard library.
#pragma once
#include <cmath>

namespace brine {
namespace fishgen {

constexpr double kPi = 3.14159265358979323846;

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec3 vec3(double x, double y, double z) { return Vec3{x, y, z}; }
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, Vec3 a) { return a * s; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(Vec3 a) {
    double l = length(a);
    return l > 1e-12 ? a * (1.0 / l) : Vec3{0, 1, 0};
}
inline Vec3 lerp(Vec3 a, Vec3 b, double t) { return a + (b - a) * t; }

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double mix(double a, double b, double t) { return a + (b - a) * t; }
inline double smoothstep(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Row-major 4x4, m[r*4+c]; translation in m[12..14].
struct Mat4 {
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

inline Mat4 mat_mul(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i * 4 + k] * b.m[k * 4 + j];
            r.m[i * 4 + j] = s;
        }
    return r;
}

inline Mat4 mat_translation(Vec3 t) {
    Mat4 r;
    r.m[12] = t.x;
    r.m[13] = t.y;
    r.m[14] = t.z;
    return r;
}

inline Vec3 transform_point(Vec3 p, const Mat4& m) {
    return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
            p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
            p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

inline Vec3 transform_normal(Vec3 n, const Mat4& m) {
    return {n.x * m.m[0] + n.y * m.m[4] + n.z * m.m[8], n.x * m.m[1] + n.y * m.m[5] + n.z * m.m[9],
            n.x * m.m[2] + n.y * m.m[6] + n.z * m.m[10]};
}

// Quaternion whose D3DXMatrixRotationQuaternion is the wanted rotation.
struct Quat {
    double w = 1, x = 0, y = 0, z = 0;
};

inline Quat quat_mul(const Quat& a, const Quat& b) {  // Hamilton product a*b
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

inline Quat quat_axis_angle(Vec3 axis, double angle) {
    Vec3 n = normalize(axis);
    double s = std::sin(angle * 0.5);
    return {std::cos(angle * 0.5), n.x * s, n.y * s, n.z * s};
}

inline Quat quat_normalize(Quat q) {
    double l = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    return {q.w / l, q.x / l, q.y / l, q.z / l};
}

// D3DXMatrixRotationQuaternion.
inline Mat4 mat_rotation(const Quat& q) {
    Mat4 r;
    double x = q.x, y = q.y, z = q.z, w = q.w;
    r.m[0] = 1 - 2 * (y * y + z * z);
    r.m[1] = 2 * (x * y + z * w);
    r.m[2] = 2 * (x * z - y * w);
    r.m[4] = 2 * (x * y - z * w);
    r.m[5] = 1 - 2 * (x * x + z * z);
    r.m[6] = 2 * (y * z + x * w);
    r.m[8] = 2 * (x * z + y * w);
    r.m[9] = 2 * (y * z - x * w);
    r.m[10] = 1 - 2 * (x * x + y * y);
    return r;
}

// Composition "first a, then b" in row-vector terms: matrix(a) * matrix(b).
inline Quat quat_then(const Quat& a, const Quat& b) { return quat_mul(b, a); }

// D3DXQuaternionSlerp.
inline Quat quat_slerp(Quat a, Quat b, double t) {
    double d = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    if (d < 0) {
        d = -d;
        b = {-b.w, -b.x, -b.y, -b.z};
    }
    double ka = 1 - t, kb = t;
    if (1 - d > 0.001) {
        double th = std::acos(d), s = std::sin(th);
        ka = std::sin((1 - t) * th) / s;
        kb = std::sin(t * th) / s;
    }
    return quat_normalize({ka * a.w + kb * b.w, ka * a.x + kb * b.x, ka * a.y + kb * b.y, ka * a.z + kb * b.z});
}

}  // namespace fishgen
}  // namespace brine
