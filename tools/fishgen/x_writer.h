// Writes a FishModel as a DirectX X file in text form ("xof 0303txt 0032"): the standard
// templates, the frame hierarchy, one skinned mesh with normals, texture coordinates, materials
// and skin weights, then AnimTicksPerSecond and the animation sets.
// Must not depend on the program's own code.
#pragma once
#include <string>

#include "tools/fishgen/fish_model.h"

namespace brine {
namespace fishgen {

// Rotation keys are written as the conjugate of the quaternion whose
// D3DXMatrixRotationQuaternion is the frame's rotation: that is how X files made for D3DX store
// them (each exporter sample checked: key 0 reproduces FrameTransformMatrix only this way).
Quat rotation_key_from_quat(const Quat& q);
Quat quat_from_rotation_key(const Quat& key);

std::string write_x_text(const FishModel& model);

// Largest number of distinct bones among the three vertices of any face.
int max_bones_per_face(const FishModel& model);
int max_bones_per_vertex(const FishModel& model);

}  // namespace fishgen
}  // namespace brine
