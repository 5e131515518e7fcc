// The program's keyframed animation controller: the X file's animation sets bound to the frames
// they move, one set played on track 0 by absolute time in seconds. Setting the time evaluates
// the set and writes the local matrices of the frames it animates (scale, rotation, translation,
// S x R x T); frames it does not animate keep their own matrices. Evaluation allocates nothing.
// Must not depend on any platform header.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "fish/mesh_hierarchy.h"
#include "fish/xfile_reader.h"
#include "device/d3d_types.h"

namespace brine {

class AnimationController;

struct VectorKey {
    double time;  // ticks
    Vec3 value;
};

// Rotations are kept as the file stores them, the conjugate of the quaternion D3DX's matrix
// function takes (see XRotationKey): interpolated as stored, conjugated when the matrix is made.
struct RotationKey {
    double time;
    Quaternion value;
};

// The keys of one frame in one set. A component without keys stays at the frame's own value
// (from its FrameTransformMatrix); matrix keys are split into the three components at load.
struct AnimationTrack {
    MeshFrame* frame = nullptr;
    std::vector<VectorKey> scaleKeys;
    std::vector<RotationKey> rotationKeys;
    std::vector<VectorKey> positionKeys;
    Vec3 restScale{1, 1, 1};
    Quaternion restRotation{0, 0, 0, 1};
    Vec3 restPosition{0, 0, 0};
    Matrix restLocal;  // the frame's matrix before any set moved it
};

class AnimationSet {
public:
    // The set's length in ticks: its last key time. Time wraps over it, so the set loops.
    double period() const { return period_; }
    const std::string& name() const { return name_; }
    const std::vector<AnimationTrack>& tracks() const { return tracks_; }

    // Writes every animated frame's local matrix for the time in ticks (wrapped into the
    // period; before the first key or after the last a track holds its end key).
    void write_frames(double ticks) const;
    // Puts the frames this set animates back to their own matrices.
    void restore_frames() const;

private:
    friend HResult build_animation_controller(const XFileScene&, const std::vector<MeshFrame*>&,
                                              std::unique_ptr<AnimationController>*);
    std::string name_;
    double period_ = 0.0;
    std::vector<AnimationTrack> tracks_;
};

class AnimationController {
public:
    std::uint32_t get_max_num_animation_sets() const { return std::uint32_t(sets_.size()); }
    // Null for an index past the end.
    AnimationSet* get_animation_set(std::uint32_t index);
    // Only track 0 exists. The frames the old set moved go back to their own matrices; the new
    // set shows from the next set_time. kFail for another track or a set of another controller.
    HResult set_track_animation_set(std::uint32_t track, AnimationSet* set);
    AnimationSet* track_animation_set() const { return track0_; }

    double get_time() const { return time_; }
    // Absolute time in seconds; evaluates the set on track 0 at it. A time that is not finite
    // counts as 0.
    void set_time(double seconds);

    double ticks_per_second() const { return ticksPerSecond_; }

private:
    friend HResult build_animation_controller(const XFileScene&, const std::vector<MeshFrame*>&,
                                              std::unique_ptr<AnimationController>*);
    std::vector<AnimationSet> sets_;
    AnimationSet* track0_ = nullptr;
    double time_ = 0.0;
    double ticksPerSecond_ = kXDefaultTicksPerSecond;
};

// The controller of a loaded hierarchy (`frames` as list_frames gives them): every animation set
// of the file in file order, each animation bound to the first frame of its frame's name in
// that list (animations of missing frames and without keys are left out), ticks per second from
// the file or 4800; set 0 on track 0, time 0, nothing evaluated yet. A file without animation
// sets gives no controller (out null, kOk). kOutOfMemory when allocation fails.
HResult build_animation_controller(const XFileScene& scene, const std::vector<MeshFrame*>& frames,
                                   std::unique_ptr<AnimationController>* out);

// S x R x T from a matrix, with the rotation in the file's convention; a mirroring matrix gives
// a negative x scale. False (identity rotation, the row lengths as scale) when a scale is 0.
bool decompose_frame_matrix(const Matrix& m, Vec3* scale, Quaternion* fileRotation, Vec3* position);

// The local matrix Scaling(scale) x Rotation(conjugate of fileRotation, normalised) x
// Translation(position). A zero quaternion gives no rotation.
Matrix compose_frame_matrix(const Vec3& scale, const Quaternion& fileRotation, const Vec3& position);

}  // namespace brine
