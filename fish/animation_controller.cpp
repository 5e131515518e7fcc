// Keyframed animation sets: building them from the file's records and evaluating them.
#include "fish/animation_controller.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>

#include "render/d3dx_math.h"

namespace brine {

namespace {

template <class Key>
std::size_t first_after(const std::vector<Key>& keys, double t) {
    return std::size_t(std::upper_bound(keys.begin(), keys.end(), t,
                                        [](double v, const Key& k) { return v < k.time; }) -
                       keys.begin());
}

Vec3 sample(const std::vector<VectorKey>& keys, double t, const Vec3& rest) {
    if (keys.empty()) return rest;
    const std::size_t i = first_after(keys, t);
    if (i == 0) return keys.front().value;
    if (i == keys.size()) return keys.back().value;
    const VectorKey& a = keys[i - 1];
    const VectorKey& b = keys[i];
    return vec3_lerp(a.value, b.value, float((t - a.time) / (b.time - a.time)));
}

Quaternion sample(const std::vector<RotationKey>& keys, double t, const Quaternion& rest) {
    if (keys.empty()) return rest;
    const std::size_t i = first_after(keys, t);
    if (i == 0) return keys.front().value;
    if (i == keys.size()) return keys.back().value;
    const RotationKey& a = keys[i - 1];
    const RotationKey& b = keys[i];
    return quaternion_slerp(a.value, b.value, float((t - a.time) / (b.time - a.time)));
}

Matrix to_matrix(const XMatrix& x) {
    Matrix m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = x.m[i];
    return m;
}

template <class Key>
void sort_by_time(std::vector<Key>& keys) {
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.time < b.time; });
}

template <class Key>
double last_time(const std::vector<Key>& keys) {
    return keys.empty() ? 0.0 : keys.back().time;
}

}  // namespace

bool decompose_frame_matrix(const Matrix& m, Vec3* scale, Quaternion* fileRotation, Vec3* position) {
    Vec3 rows[3];
    for (int i = 0; i < 3; ++i) rows[i] = {m.m[i][0], m.m[i][1], m.m[i][2]};
    Vec3 s{vec3_length(rows[0]), vec3_length(rows[1]), vec3_length(rows[2])};
    *position = {m.m[3][0], m.m[3][1], m.m[3][2]};
    *fileRotation = quaternion_identity();
    if (!(s.x > 0.0f && s.y > 0.0f && s.z > 0.0f) || !std::isfinite(s.x) || !std::isfinite(s.y) ||
        !std::isfinite(s.z)) {
        *scale = s;
        return false;
    }
    // A mirror shows as a negative determinant; fold it into x so the rest is a rotation.
    if (vec3_dot(rows[0], vec3_cross(rows[1], rows[2])) < 0.0f) s.x = -s.x;
    Matrix r = matrix_identity();
    const float inv[3] = {1.0f / s.x, 1.0f / s.y, 1.0f / s.z};
    for (int i = 0; i < 3; ++i) {
        r.m[i][0] = rows[i].x * inv[i];
        r.m[i][1] = rows[i].y * inv[i];
        r.m[i][2] = rows[i].z * inv[i];
    }
    Quaternion q = quaternion_normalize(quaternion_rotation_matrix(r));
    *fileRotation = {-q.x, -q.y, -q.z, q.w};
    *scale = s;
    return true;
}

Matrix compose_frame_matrix(const Vec3& scale, const Quaternion& fileRotation, const Vec3& position) {
    Quaternion q = quaternion_normalize(fileRotation);
    Matrix r = matrix_identity();
    if (q.x != 0.0f || q.y != 0.0f || q.z != 0.0f || q.w != 0.0f)
        r = matrix_rotation_quaternion({-q.x, -q.y, -q.z, q.w});
    const float s[3] = {scale.x, scale.y, scale.z};
    Matrix m;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m.m[i][j] = s[i] * r.m[i][j];
        m.m[i][3] = 0.0f;
    }
    m.m[3][0] = position.x;
    m.m[3][1] = position.y;
    m.m[3][2] = position.z;
    m.m[3][3] = 1.0f;
    return m;
}

void AnimationSet::write_frames(double ticks) const {
    if (!std::isfinite(ticks)) ticks = 0.0;
    if (period_ > 0.0) {
        ticks = std::fmod(ticks, period_);
        if (ticks < 0.0) ticks += period_;
    }
    for (const AnimationTrack& t : tracks_) {
        t.frame->local = compose_frame_matrix(sample(t.scaleKeys, ticks, t.restScale),
                                              sample(t.rotationKeys, ticks, t.restRotation),
                                              sample(t.positionKeys, ticks, t.restPosition));
    }
}

void AnimationSet::restore_frames() const {
    for (const AnimationTrack& t : tracks_) t.frame->local = t.restLocal;
}

AnimationSet* AnimationController::get_animation_set(std::uint32_t index) {
    return index < sets_.size() ? &sets_[index] : nullptr;
}

HResult AnimationController::set_track_animation_set(std::uint32_t track, AnimationSet* set) {
    if (track != 0) return kFail;
    if (set && (sets_.empty() || set < sets_.data() || set >= sets_.data() + sets_.size())) return kFail;
    if (set != track0_) {
        if (track0_) track0_->restore_frames();
        track0_ = set;
    }
    return kOk;
}

void AnimationController::set_time(double seconds) {
    if (!std::isfinite(seconds)) seconds = 0.0;
    time_ = seconds;
    if (track0_) track0_->write_frames(seconds * ticksPerSecond_);
}

HResult build_animation_controller(const XFileScene& scene, const std::vector<MeshFrame*>& frames,
                                   std::unique_ptr<AnimationController>* out) {
    out->reset();
    if (scene.animationSets.empty()) return kOk;
    try {
        auto controller = std::make_unique<AnimationController>();
        controller->ticksPerSecond_ = xfile_ticks_per_second(scene);
        std::unordered_map<std::string, MeshFrame*> byName;
        for (MeshFrame* f : frames)
            if (!f->name.empty()) byName.emplace(f->name, f);  // the first of a name wins

        controller->sets_.resize(scene.animationSets.size());
        for (std::size_t si = 0; si < scene.animationSets.size(); ++si) {
            const XAnimationSet& from = scene.animationSets[si];
            AnimationSet& set = controller->sets_[si];
            set.name_ = from.name;
            for (const XAnimation& a : from.animations) {
                auto found = byName.find(a.frameName);
                if (a.frameName.empty() || found == byName.end()) continue;
                if (a.matrixKeys.empty() && a.rotationKeys.empty() && a.scaleKeys.empty() && a.positionKeys.empty())
                    continue;
                AnimationTrack t;
                t.frame = found->second;
                t.restLocal = t.frame->local;
                decompose_frame_matrix(t.restLocal, &t.restScale, &t.restRotation, &t.restPosition);
                if (!a.matrixKeys.empty()) {
                    // Matrix keys stand for the whole transform; sampled as S, R, T like the rest.
                    for (const XMatrixKey& k : a.matrixKeys) {
                        Vec3 s, p;
                        Quaternion q;
                        decompose_frame_matrix(to_matrix(k.value), &s, &q, &p);
                        t.scaleKeys.push_back({double(k.time), s});
                        t.rotationKeys.push_back({double(k.time), q});
                        t.positionKeys.push_back({double(k.time), p});
                    }
                } else {
                    for (const XRotationKey& k : a.rotationKeys)
                        t.rotationKeys.push_back({double(k.time), {k.x, k.y, k.z, k.w}});
                    for (const XVectorKey& k : a.scaleKeys)
                        t.scaleKeys.push_back({double(k.time), {k.value.x, k.value.y, k.value.z}});
                    for (const XVectorKey& k : a.positionKeys)
                        t.positionKeys.push_back({double(k.time), {k.value.x, k.value.y, k.value.z}});
                }
                sort_by_time(t.scaleKeys);
                sort_by_time(t.rotationKeys);
                sort_by_time(t.positionKeys);
                set.period_ = std::max({set.period_, last_time(t.scaleKeys), last_time(t.rotationKeys),
                                        last_time(t.positionKeys)});
                set.tracks_.push_back(std::move(t));
            }
        }
        controller->track0_ = &controller->sets_[0];
        *out = std::move(controller);
        return kOk;
    } catch (const std::bad_alloc&) {
        out->reset();
        return kOutOfMemory;
    }
}

}  // namespace brine
