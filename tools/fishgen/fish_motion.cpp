// The four motions of a goldfish (hover, cruise, dash, eat), sampled into rotation and position
// keys of every bone at every frame. Each motion is a sum of whole cycles over its loop, so its
// last key equals its first and the loop has no seam. Also the pose helpers shared with the
// preview and the tests. Must not depend on the program's own code.
#include <cmath>

#include "tools/fishgen/fish_body.h"
#include "tools/fishgen/fish_builder.h"

namespace brine {
namespace fishgen {

Mat4 bone_key_matrix(const BoneKey& key) {
    Mat4 m = mat_rotation(key.rot);
    m.m[12] = key.pos.x;
    m.m[13] = key.pos.y;
    m.m[14] = key.pos.z;
    return m;
}

std::vector<BoneKey> sample_pose(const AnimationSetDef& set, double frame) {
    std::vector<BoneKey> out(set.keys.size());
    if (set.frameCount <= 0) return out;
    double f = std::fmax(0.0, std::fmin(frame, static_cast<double>(set.frameCount - 1)));
    int f0 = static_cast<int>(std::floor(f));
    int f1 = std::min(f0 + 1, set.frameCount - 1);
    double t = f - f0;
    for (size_t b = 0; b < set.keys.size(); ++b) {
        const BoneKey& a = set.keys[b][f0];
        const BoneKey& c = set.keys[b][f1];
        out[b].rot = quat_slerp(a.rot, c.rot, t);
        out[b].pos = lerp(a.pos, c.pos, t);
    }
    return out;
}

std::vector<Mat4> combine_pose(const FishModel& model, const std::vector<BoneKey>& locals) {
    std::vector<Mat4> combined(model.bones.size());
    for (size_t i = 0; i < model.bones.size(); ++i) {  // parents always come first
        Mat4 local = bone_key_matrix(locals[i]);
        int p = model.bones[i].parent;
        combined[i] = p < 0 ? local : mat_mul(local, combined[p]);
    }
    return combined;
}

std::vector<Mat4> skin_matrices(const FishModel& model, const std::vector<Mat4>& combined) {
    std::vector<Mat4> out(model.bones.size());
    for (size_t i = 0; i < model.bones.size(); ++i) {
        Vec3 b = model.bones[i].bindPos;
        out[i] = mat_mul(mat_translation(b * -1.0), combined[i]);
    }
    return out;
}

namespace {

// Turns of the left-side fins mirrored for the right side (reflection x -> -x).
Quat mirror_x(const Quat& q) { return {q.w, q.x, -q.y, -q.z}; }

Quat rot_x(double a) { return quat_axis_angle({1, 0, 0}, a); }
Quat rot_y(double a) { return quat_axis_angle({0, 1, 0}, a); }
Quat rot_z(double a) { return quat_axis_angle({0, 0, 1}, a); }

// Normalised position of each spine bone from the head (0) to the caudal tip (1).
double chain_position(const FishModel& m, int bone) {
    double z0 = m.bones[kHead].bindPos.z, z1 = m.bones[kCaudalTip].bindPos.z;
    return (m.bones[bone].bindPos.z - z0) / (z1 - z0);
}

// A turn of `bone` by `r` about a pivot given in model space, in front of the key's own turn:
// the pivot stays where the key would have put it.
void turn_about(const FishModel& m, int bone, Vec3 pivot, const Quat& r, BoneKey* key) {
    Vec3 p = pivot - m.bones[bone].bindPos;
    Vec3 shift = p - transform_normal(p, mat_rotation(r));
    key->pos = key->pos + transform_normal(shift, mat_rotation(key->rot));
    key->rot = quat_then(r, key->rot);
}

// Local transforms of all bones at phase t (0..1 over the loop) of one motion.
std::vector<BoneKey> pose_at(const KindSpec& kind, const FishModel& m, const MotionStyle& ms, double t) {
    std::vector<BoneKey> keys(m.bones.size());
    for (size_t i = 0; i < m.bones.size(); ++i) {
        int p = m.bones[i].parent;
        keys[i].pos = m.bones[i].bindPos - (p < 0 ? Vec3{} : m.bones[p].bindPos);
    }
    const double tau = 2 * kPi;
    double beat = tau * ms.beats * t;

    // Travelling body wave: absolute yaw of each spine bone, the tail lagging the head. Both
    // caudal lobes ride on the caudal bone.
    static const int chain[] = {kHead, kSpine1, kSpine2, kSpine3, kTailRoot, kCaudal, kCaudalTip};
    double parentYaw = 0, tipPhase = 0;
    for (int bone : chain) {
        double p = chain_position(m, bone);
        double envelope = 0.12 + 0.88 * std::pow(p, 1.6);
        if (bone == kHead) envelope = -0.1;  // the head recoils against the tail
        double lag = ms.wave * tau * p;
        if (bone == kCaudalTip) lag += 0.35 * tau * (kind.tailLength / kind.bodyLength);  // long fins follow late
        double yaw = ms.bodyAmp * envelope * std::sin(beat - lag);
        keys[bone].rot = rot_y(yaw - parentYaw);
        if (bone == kCaudalTip) {
            keys[kCaudalTip2].rot = keys[bone].rot;
            tipPhase = beat - lag;
        }
        parentYaw = yaw;
    }
    // The caudal lobes also flex up and down a little as they sweep.
    Quat flex = rot_x(0.25 * ms.bodyAmp * std::sin(2 * beat));
    keys[kCaudalTip].rot = quat_then(keys[kCaudalTip].rot, flex);
    keys[kCaudalTip2].rot = quat_then(keys[kCaudalTip2].rot, flex);

    // The lobes trail the sweep (the tail cups against the water it pushes) and are drawn
    // together or spread apart. A single tail's upper and lower lobes turn about its middle; a
    // twin tail's left and right lobes hang from the top of the tail base.
    BodyShape body(kind);
    double zBase = body.z_at(0.985);
    double trail = ms.tailCup * std::cos(tipPhase);
    if (kind.tail == TailStyle::Single) {
        // A single tail also twists between the cupped strokes, so seen from above it always
        // shows some of its lobes rather than one edge.
        double twist = 0.8 * ms.tailCup * std::sin(tipPhase);
        Vec3 pivot{0, (body.back(1.0) - body.belly(1.0)) * 0.5, zBase};
        turn_about(m, kCaudalTip, pivot, quat_then(rot_x(ms.tailClose), rot_z(trail + twist)), &keys[kCaudalTip]);
        turn_about(m, kCaudalTip2, pivot, quat_then(rot_x(-ms.tailClose), rot_z(-trail + twist)), &keys[kCaudalTip2]);
    } else {
        trail *= 0.6;
        Vec3 pivot{0, body.back(1.0) * 0.95, zBase};
        turn_about(m, kCaudalTip, pivot, rot_z(-ms.tailClose - trail), &keys[kCaudalTip]);
        turn_about(m, kCaudalTip2, pivot, rot_z(ms.tailClose - trail), &keys[kCaudalTip2]);
    }

    // Eating: the nose dips and the back half follows only in part.
    if (ms.headDip > 0 && ms.dipCycles > 0) {
        double dip = ms.headDip * (0.5 - 0.5 * std::cos(tau * ms.dipCycles * t));
        keys[kHead].rot = quat_then(rot_x(-dip), keys[kHead].rot);
        keys[kSpine1].rot = quat_then(rot_x(0.35 * dip), keys[kSpine1].rot);
    }
    // A slow drift up and down (whole fish).
    keys[kHead].pos.y += ms.bob * kind.bodyLength * std::sin(tau * t);

    // Mouth: the jaw drops and closes.
    double jaw = ms.jawAmp * (0.5 - 0.5 * std::cos(tau * ms.jawCycles * t));
    keys[kJaw].rot = rot_x(-jaw);

    // Pectoral fins: folded back by pecRest, sculling (flap and feather) by pecAmp; the right
    // fin pecPhase behind the left.
    double sc = tau * ms.pecCycles * t;
    auto pectoral = [&](double phase) {
        Quat q = quat_then(rot_y(-ms.pecRest - 0.35 * ms.pecAmp * std::cos(phase)), rot_z(ms.pecAmp * std::sin(phase)));
        return quat_then(q, rot_z(-0.35 * ms.pecRest));  // fold against the flank
    };
    keys[kPectoralL].rot = pectoral(sc);
    keys[kPectoralR].rot = mirror_x(pectoral(sc + ms.pecPhase));

    // Pelvic fins: a small paddle in time with the pectorals, laid back along the belly when folded.
    Quat pel = quat_then(rot_z(0.4 * ms.pecAmp * std::sin(sc + 1.2) - 0.2 * ms.pecRest), rot_x(-0.5 * ms.pecRest));
    keys[kPelvicL].rot = pel;
    keys[kPelvicR].rot = mirror_x(pel);

    // Dorsal fin: leans with the body wave, laid back by dorsalFold.
    if (kDorsal < static_cast<int>(m.bones.size())) {
        double lean = 0.25 * ms.bodyAmp * std::sin(beat - ms.wave * tau * 0.45 - 0.8);
        keys[kDorsal].rot = quat_then(rot_x(ms.dorsalFold), rot_z(lean));
    }
    return keys;
}

}  // namespace

void build_motions(const KindSpec& kind, FishModel* model) {
    model->fps = 30;
    model->ticksPerSecond = 4800;
    model->animationSets.clear();
    model->records.clear();
    static const char* names[4] = {"hover", "cruise", "dash", "eat"};
    const size_t boneCount = model->bones.size();
    if (kind.singleAnimationSet) {
        // One set; the motions are frame ranges. After each range a few frames continue the
        // motion, so a pass that overshoots the end frame still shows the same movement.
        const int kOvershoot = 6;
        AnimationSetDef set;
        set.name = "swim";
        set.keys.assign(boneCount, {});
        int frame = 0;
        for (int i = 0; i < 4; ++i) {
            const MotionStyle& ms = kind.motions[i];
            MotionRecordDef rec{0, frame, frame + ms.frames};
            int extra = i < 3 ? kOvershoot : 0;
            for (int f = 0; f <= ms.frames + extra; ++f) {
                std::vector<BoneKey> pose = pose_at(kind, *model, ms, static_cast<double>(f % ms.frames) / ms.frames);
                for (size_t b = 0; b < boneCount; ++b) set.keys[b].push_back(pose[b]);
            }
            frame += ms.frames + extra + 1;
            model->records.push_back(rec);
        }
        set.frameCount = frame;
        model->animationSets.push_back(set);
    } else {
        for (int i = 0; i < 4; ++i) {
            const MotionStyle& ms = kind.motions[i];
            AnimationSetDef set;
            set.name = names[i];
            set.keys.assign(boneCount, {});
            for (int f = 0; f <= ms.frames; ++f) {
                std::vector<BoneKey> pose = pose_at(kind, *model, ms, static_cast<double>(f % ms.frames) / ms.frames);
                for (size_t b = 0; b < boneCount; ++b) set.keys[b].push_back(pose[b]);
            }
            set.frameCount = ms.frames + 1;
            model->animationSets.push_back(set);
            model->records.push_back({i, 0, ms.frames});
        }
    }
}

}  // namespace fishgen
}  // namespace brine
