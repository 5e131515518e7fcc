// Checks the generated goldfish as models: D3DX conventions of the math, shape and orientation,
// outward normals and consistent winding, fins drawn from both sides, a mouth that opens into
// the head, and motions that really swim (tail beats that grow from hover to dash, a jaw that
// opens while eating, fins that scull).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/fishgen/fish_builder.h"
#include "tools/fishgen/x_writer.h"

namespace brine {
namespace {

using namespace fishgen;

void expect_matrix_near(const Mat4& a, const Mat4& b, double tol) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

TEST(FishgenMath, QuaternionsFollowTheD3dxConventions) {
    // D3DXMatrixRotationY layout: row vectors, [c 0 -s; 0 1 0; s 0 c].
    Mat4 ry = mat_rotation(quat_axis_angle({0, 1, 0}, 0.3));
    EXPECT_NEAR(ry.m[0], std::cos(0.3), 1e-12);
    EXPECT_NEAR(ry.m[2], -std::sin(0.3), 1e-12);
    EXPECT_NEAR(ry.m[8], std::sin(0.3), 1e-12);
    // "First a, then b" is the matrix product a * b.
    Quat a = quat_axis_angle({1, 0, 0}, 0.4), b = quat_axis_angle({0, 0.6, 0.8}, -1.1);
    expect_matrix_near(mat_rotation(quat_then(a, b)), mat_mul(mat_rotation(a), mat_rotation(b)), 1e-12);
    // Slerp ends on its keys and halves the angle between them.
    Quat h = quat_slerp(Quat{}, quat_axis_angle({0, 1, 0}, 0.8), 0.5);
    expect_matrix_near(mat_rotation(h), mat_rotation(quat_axis_angle({0, 1, 0}, 0.4)), 1e-9);
    expect_matrix_near(mat_rotation(quat_slerp(a, b, 1.0)), mat_rotation(b), 1e-9);
    // Keys are stored conjugated and read back unchanged.
    Quat k = quat_from_rotation_key(rotation_key_from_quat(b));
    EXPECT_DOUBLE_EQ(k.w, b.w);
    EXPECT_DOUBLE_EQ(k.y, b.y);
    Quat stored = rotation_key_from_quat(b);
    EXPECT_DOUBLE_EQ(stored.x, -b.x);
}

class FishgenModel : public ::testing::Test {
protected:
    static const std::vector<FishModel>& models() {
        static const std::vector<FishModel> m = [] {
            std::vector<FishModel> out;
            // Shape and motion only: the textures are checked with the packs.
            for (const auto& k : all_kinds()) {
                FishModel m;
                m.model = k.model;
                build_skeleton(k, &m);
                build_geometry(k, &m);
                build_motions(k, &m);
                out.push_back(m);
            }
            return out;
        }();
        return m;
    }
    static const KindSpec& kind_of(const FishModel& m) {
        for (const auto& k : all_kinds())
            if (k.model == m.model) return k;
        return all_kinds().front();
    }
};

TEST_F(FishgenModel, BindPoseSkinsToTheModelledMesh) {
    for (const auto& m : models()) {
        std::vector<BoneKey> rest(m.bones.size());
        for (size_t i = 0; i < m.bones.size(); ++i) {
            int p = m.bones[i].parent;
            rest[i].pos = m.bones[i].bindPos - (p < 0 ? Vec3{} : m.bones[p].bindPos);
        }
        for (const Mat4& s : skin_matrices(m, combine_pose(m, rest))) expect_matrix_near(s, Mat4{}, 1e-9);
    }
}

TEST_F(FishgenModel, NoseLooksDownMinusZAndTheTailIsBehind) {
    for (const auto& m : models()) {
        SCOPED_TRACE(m.model);
        const SkinVertex* nose = &m.vertices[0];
        double eyeZ = 0, tailZ = -1e9;
        int eyes = 0;
        for (const auto& v : m.vertices) tailZ = std::max(tailZ, v.pos.z);
        for (const auto& f : m.faces)
            if (f.material == 0 && m.vertices[f.a].pos.z < nose->pos.z) nose = &m.vertices[f.a];
        for (const auto& f : m.faces)
            if (f.material == 2) eyeZ += m.vertices[f.a].pos.z, ++eyes;
        ASSERT_GT(eyes, 0);
        EXPECT_LT(std::fabs(nose->pos.x), 0.05);
        const double bodyEnd = nose->pos.z + kind_of(m).bodyLength;
        EXPECT_LT(eyeZ / eyes, nose->pos.z + 0.5 * kind_of(m).bodyLength) << "eyes sit in the front half";
        EXPECT_GT(tailZ, bodyEnd) << "the caudal fin reaches past the body";
        EXPECT_GE(m.bones.size(), static_cast<size_t>(kDorsal));
        EXPECT_EQ(m.bones.size() == kDorsal + 1u, kind_of(m).dorsal) << "a dorsal bone exactly when there is a dorsal fin";
    }
}

TEST_F(FishgenModel, NormalsFaceOutAndFacesAreWoundToMatch) {
    for (const auto& m : models()) {
        SCOPED_TRACE(m.model);
        size_t bodyVerts = 0, outward = 0;
        for (const auto& f : m.faces) {
            const SkinVertex& a = m.vertices[f.a];
            const SkinVertex& b = m.vertices[f.b];
            const SkinVertex& c = m.vertices[f.c];
            Vec3 fn = cross(b.pos - a.pos, c.pos - a.pos);
            ASSERT_GE(dot(fn, a.normal + b.normal + c.normal), 0.0);
            if (f.material != 0 || a.u < 0.25) continue;  // the lofted body only
            // Body: the normal leans away from the spine line through the section.
            ++bodyVerts;
            Vec3 centre{0, 0, a.pos.z};
            if (dot(a.normal, a.pos - centre) > 0) ++outward;
        }
        EXPECT_GT(outward, bodyVerts * 97 / 100);
    }
}

TEST_F(FishgenModel, TelescopeEyesStandOutOnlyOnTheDemekin) {
    for (const auto& m : models()) {
        double bodyX = 0, eyeX = 0;
        for (const auto& f : m.faces)
            for (int i : {f.a, f.b, f.c}) {
                double x = std::fabs(m.vertices[i].pos.x);
                if (f.material == 0 && m.vertices[i].u > 0.3) bodyX = std::max(bodyX, x);
                if (f.material == 2) eyeX = std::max(eyeX, x);
            }
        if (kind_of(m).telescope > 0)
            EXPECT_GT(eyeX, bodyX * 1.4) << m.model;
        else
            EXPECT_LT(eyeX, bodyX * 1.2) << m.model;
    }
}

// Sideways position of the caudal tip over one motion, sampled at every frame.
std::vector<double> tail_sweep(const FishModel& m, int motion) {
    const MotionRecordDef& r = m.records[motion];
    std::vector<double> xs;
    for (int f = r.startFrame; f <= r.endFrame; ++f) {
        auto combined = combine_pose(m, sample_pose(m.animationSets[r.animationSet], f));
        xs.push_back(combined[kCaudalTip].m[12]);
    }
    return xs;
}

double amplitude(const std::vector<double>& xs) {
    double lo = xs[0], hi = xs[0];
    for (double x : xs) lo = std::min(lo, x), hi = std::max(hi, x);
    return hi - lo;
}

double crossings_per_second(const std::vector<double>& xs, double fps) {
    double mean = 0;
    for (double x : xs) mean += x;
    mean /= xs.size();
    int n = 0;
    for (size_t i = 1; i < xs.size(); ++i) n += (xs[i - 1] - mean) * (xs[i] - mean) < 0;
    return n * fps / (xs.size() - 1);
}

TEST_F(FishgenModel, TailBeatsGrowFromHoverToDash) {
    for (const auto& m : models()) {
        SCOPED_TRACE(m.model);
        std::vector<double> hover = tail_sweep(m, 0), cruise = tail_sweep(m, 1), dash = tail_sweep(m, 2);
        EXPECT_LT(amplitude(hover), amplitude(cruise));
        EXPECT_LT(amplitude(cruise), amplitude(dash));
        EXPECT_GT(amplitude(cruise), 0.1 * kind_of(m).bodyLength) << "a visible tail beat";
        EXPECT_GT(crossings_per_second(dash, m.fps), 1.5 * crossings_per_second(cruise, m.fps));
        EXPECT_GT(crossings_per_second(cruise, m.fps), crossings_per_second(hover, m.fps));
    }
}

TEST_F(FishgenModel, EatingDipsTheHeadAndWorksTheJaw) {
    for (const auto& m : models()) {
        SCOPED_TRACE(m.model);
        auto extremes = [&](int motion, int bone, double* lo, double* hi) {
            const MotionRecordDef& r = m.records[motion];
            *lo = 1e9, *hi = -1e9;
            for (int f = r.startFrame; f <= r.endFrame; ++f) {
                auto combined = combine_pose(m, sample_pose(m.animationSets[r.animationSet], f));
                // Height of a point one unit ahead of the bone, in the fish's frame.
                double y = transform_point({0, 0, -1}, combined[bone]).y - combined[bone].m[13];
                *lo = std::min(*lo, y), *hi = std::max(*hi, y);
            }
        };
        // The jaw's own turn about X, relative to the head.
        auto jaw_range = [&](int motion) {
            const MotionRecordDef& r = m.records[motion];
            double lo = 1e9, hi = -1e9;
            for (int f = r.startFrame; f <= r.endFrame; ++f) {
                Quat q = sample_pose(m.animationSets[r.animationSet], f)[kJaw].rot;
                double angle = 2 * std::atan2(q.x, q.w);
                lo = std::min(lo, angle), hi = std::max(hi, angle);
            }
            return hi - lo;
        };
        EXPECT_GT(jaw_range(3), 2 * jaw_range(0)) << "the jaw opens wider while eating";
        EXPECT_GT(jaw_range(3), 0.25);
        double lo, hi;
        extremes(3, kHead, &lo, &hi);
        EXPECT_LT(lo, -0.2) << "the nose dips";
        // Pectoral fins scull while hovering.
        const MotionRecordDef& r = m.records[0];
        auto a = sample_pose(m.animationSets[r.animationSet], r.startFrame);
        auto b = sample_pose(m.animationSets[r.animationSet], (r.startFrame + r.endFrame) / 4.0);
        double dotq = std::fabs(a[kPectoralL].rot.w * b[kPectoralL].rot.w + a[kPectoralL].rot.x * b[kPectoralL].rot.x +
                                a[kPectoralL].rot.y * b[kPectoralL].rot.y + a[kPectoralL].rot.z * b[kPectoralL].rot.z);
        EXPECT_GT(2 * std::acos(std::min(1.0, dotq)), 0.15) << "the pectoral fin turns by some degrees";
    }
}

// Model-space positions of the mesh in a pose.
std::vector<Vec3> skinned_positions(const FishModel& m, const std::vector<BoneKey>& keys) {
    std::vector<Mat4> skin = skin_matrices(m, combine_pose(m, keys));
    std::vector<Vec3> out;
    for (const auto& v : m.vertices) {
        Vec3 p{};
        for (int k = 0; k < v.influenceCount; ++k) p = p + transform_point(v.pos, skin[v.bone[k]]) * v.weight[k];
        out.push_back(p);
    }
    return out;
}

std::vector<BoneKey> rest_keys(const FishModel& m) {
    std::vector<BoneKey> keys(m.bones.size());
    for (size_t i = 0; i < m.bones.size(); ++i) {
        int p = m.bones[i].parent;
        keys[i].pos = m.bones[i].bindPos - (p < 0 ? Vec3{} : m.bones[p].bindPos);
    }
    return keys;
}

// The material of the nearest face the renderer would draw (front faces only, the side that
// cross(b - a, c - a) points to) along a ray, or -1 when the ray meets none.
int first_drawn_material(const FishModel& m, const std::vector<Vec3>& pos, Vec3 from, Vec3 dir) {
    double best = 1e30;
    int material = -1;
    for (const Face& f : m.faces) {
        Vec3 a = pos[f.a], b = pos[f.b], c = pos[f.c];
        Vec3 e1 = b - a, e2 = c - a;
        if (dot(cross(e1, e2), dir) >= 0) continue;  // culled: seen from behind
        Vec3 p = cross(dir, e2);
        double det = dot(e1, p);
        if (std::fabs(det) < 1e-12) continue;
        Vec3 t0 = from - a;
        double u = dot(t0, p) / det;
        Vec3 q = cross(t0, e1);
        double v = dot(dir, q) / det;
        double t = dot(e2, q) / det;
        if (u < 0 || v < 0 || u + v > 1 || t <= 0 || t >= best) continue;
        best = t;
        material = f.material;
    }
    return material;
}

TEST_F(FishgenModel, FinsAreDrawnFromBothFaces) {
    // Every fin triangle has a partner close by that faces the other way, so whichever side the
    // eye is on, back-face culling leaves one of the two.
    for (const auto& m : models()) {
        SCOPED_TRACE(m.model);
        const double near = 0.05 * kind_of(m).bodyLength;
        std::vector<Vec3> centre, facing;
        for (const Face& f : m.faces) {
            if (f.material != 1) continue;
            Vec3 a = m.vertices[f.a].pos, b = m.vertices[f.b].pos, c = m.vertices[f.c].pos;
            centre.push_back((a + b + c) * (1.0 / 3.0));
            facing.push_back(normalize(cross(b - a, c - a)));
        }
        ASSERT_GT(centre.size(), 100u);
        size_t oneSided = 0;
        for (size_t i = 0; i < centre.size(); ++i) {
            bool partner = false;
            for (size_t j = 0; j < centre.size() && !partner; ++j)
                partner = dot(facing[i], facing[j]) < -0.5 && length(centre[i] - centre[j]) < near;
            oneSided += !partner;
        }
        EXPECT_EQ(oneSided, 0u) << "fin triangles that vanish when seen from behind";
    }
}

TEST_F(FishgenModel, TheJawOpensARealMouth) {
    for (const auto& m : models()) {
        SCOPED_TRACE(m.model);
        const double L = kind_of(m).bodyLength;
        // The widest the eating motion opens the jaw, on an otherwise resting fish.
        const MotionRecordDef& eat = m.records[3];
        double widest = 0;
        for (int f = eat.startFrame; f <= eat.endFrame; ++f) {
            Quat q = sample_pose(m.animationSets[eat.animationSet], f)[kJaw].rot;
            widest = std::max(widest, std::fabs(2 * std::atan2(q.x, q.w)));
        }
        std::vector<BoneKey> open = rest_keys(m);
        open[kJaw].rot = quat_axis_angle({1, 0, 0}, -widest);
        std::vector<Vec3> rest = skinned_positions(m, rest_keys(m)), opened = skinned_positions(m, open);
        // The lips part at the nose tip (the first vertex): of the vertices there, some drop with
        // the jaw, others stay.
        const Vec3 tip = rest[0];
        const double noseZ = tip.z;
        double upper = -1e9, lower = 1e9;
        for (size_t i = 0; i < rest.size(); ++i)
            if (length(rest[i] - tip) < 1e-6) {
                upper = std::max(upper, opened[i].y);
                lower = std::min(lower, opened[i].y);
            }
        ASSERT_GT(upper - lower, 0.02 * L) << "the lips do not part";
        // Looking straight into the open mouth the eye meets its inside, not skin and not the
        // water behind the fish; with the jaw shut the same look meets the lips.
        const Vec3 from{0, 0.5 * (upper + lower), noseZ - L}, ahead{0, 0, 1};
        EXPECT_EQ(first_drawn_material(m, opened, from, ahead), 3);
        EXPECT_EQ(first_drawn_material(m, rest, from, ahead), 0);
        // From the side the gap between the lips also shows the inside.
        const Vec3 side{0.4 * L, 0.5 * (upper + lower), noseZ + 0.02 * L};
        EXPECT_EQ(first_drawn_material(m, opened, side, {-1, 0, 0}), 3);
    }
}

}  // namespace
}  // namespace brine
