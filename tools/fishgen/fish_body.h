// The lofted body surface of a goldfish: elliptical (superelliptical) cross sections whose back
// height, belly depth and width follow the kind's profiles from the nose (s = 0) to the caudal
// base (s = 1); theta runs round the section from the back (0) over the left side (+X).
// Must not depend on the program's own code.
#pragma once
#include <algorithm>
#include <cmath>

#include "tools/fishgen/fish_kinds.h"
#include "tools/fishgen/gen_math.h"
#include "tools/fishgen/gen_random.h"

namespace brine {
namespace fishgen {

// Where the fish's own origin lies along the body. The program places and turns a fish about its
// origin and eats a pellet when the origin comes within 3 units of it; just behind the mouth, the
// pellet then meets the mouth, and the fish turns about its head as it follows its path.
constexpr double kOriginS = 0.15;

class BodyShape {
public:
    explicit BodyShape(const KindSpec& kind) : k_(kind), L_(kind.bodyLength), zNose_(-kOriginS * kind.bodyLength) {}

    double body_length() const { return L_; }
    double nose_z() const { return zNose_; }
    double z_at(double s) const { return zNose_ + s * L_; }

    double cap(double s) const {
        if (s >= k_.noseCap) return 1.0;
        double t = 1.0 - s / k_.noseCap;
        return std::sqrt(std::max(0.0, 1.0 - t * t));
    }
    double back(double s) const { return k_.back(s) * L_ * cap(s); }
    double belly(double s) const { return k_.belly(s) * L_ * cap(s); }
    double half_width(double s) const { return k_.width(s) * L_ * cap(s); }

    // Base surface without head growth.
    Vec3 base_point(double s, double theta) const {
        double c = std::cos(theta), sn = std::sin(theta);
        double e = 2.0 / k_.squareness;
        double sx = (sn >= 0 ? 1 : -1) * std::pow(std::fabs(sn), e);
        double cy = (c >= 0 ? 1 : -1) * std::pow(std::fabs(c), e);
        double h = c >= 0 ? back(s) : belly(s);
        return {half_width(s) * sx, h * cy, z_at(s)};
    }

    // Outward direction of the section at theta (normal of the ellipse through the point).
    Vec3 section_normal(double s, double theta) const {
        Vec3 p = base_point(s, theta);
        double w = std::max(half_width(s), 1e-6);
        double h = std::max(p.y >= 0 ? back(s) : belly(s), 1e-6);
        return normalize({p.x / (w * w), p.y / (h * h), 0});
    }

    // Where the head growth (wen) sits: 0 outside, up to 1 on the crown of the head.
    double wen_mask(double s, double theta) const {
        if (k_.wen <= 0) return 0;
        double c = std::cos(theta);
        double along = smoothstep(0.02, 0.07, s) * (1.0 - smoothstep(0.2, 0.32, s));
        double round = k_.wenCapOnly ? smoothstep(0.35, 0.75, c) : smoothstep(-0.45, 0.15, c);
        if (k_.wenCapOnly) return along * round;
        // Keep the eyes clear of the growth.
        double tf = std::fmod(theta, 2 * kPi);
        if (tf < 0) tf += 2 * kPi;
        if (tf > kPi) tf = 2 * kPi - tf;
        double de = std::hypot((s - k_.eyeS) * 3.2, tf - eye_theta());
        return along * round * smoothstep(0.16, 0.42, de);
    }

    // Raspberry-like lumps of the growth, 0.45..1: sharpened noise wrapped round the head.
    double wen_lumps(double s, double theta) const {
        double n = fractal_noise(s * 46.0, theta / (2 * kPi) * 22.0, k_.seed * 7u + 3u, 2, 0, 22);
        return 0.3 + 0.7 * smoothstep(0.28, 0.72, n);
    }

    // Height of the growth above the base surface, in model units.
    double wen_height(double s, double theta) const {
        double mask = wen_mask(s, theta);
        if (mask <= 0) return 0;
        return k_.wen * L_ * mask * wen_lumps(s, theta);
    }

    Vec3 point(double s, double theta) const {
        Vec3 p = base_point(s, theta);
        double h = wen_height(s, theta);
        if (h > 0) p = p + section_normal(s, theta) * h;
        return p;
    }

    // Surface normal by central differences, turned outward.
    Vec3 normal(double s, double theta) const {
        const double es = 1e-4, et = 1e-4;
        double s0 = std::max(s - es, 1e-5), s1 = std::min(s + es, 1.0);
        Vec3 ds = point(s1, theta) - point(s0, theta);
        Vec3 dt = point(s, theta + et) - point(s, theta - et);
        Vec3 n = cross(ds, dt);
        if (fishgen::length(n) < 1e-12) return section_normal(s, theta);
        n = normalize(n);
        Vec3 out = section_normal(s, theta);
        if (dot(n, out) < 0) n = n * -1.0;
        return n;
    }

    // Section angle (left side) at which the eye sits.
    double eye_theta() const {
        double h = std::min(std::max(k_.eyeHeight, 0.0), 0.95);
        return std::acos(std::pow(h, k_.squareness / 2.0));
    }

private:
    const KindSpec& k_;
    double L_;
    double zNose_;
};

}  // namespace fishgen
}  // namespace brine
