// The program's stand-in for D3DX skin information and its blended-mesh conversion: which bones
// move which vertices by how much, and the regrouping of a skinned mesh into bone combinations,
// groups of faces that the fixed-function pipeline draws with at most four blend matrices.
// Device-free; must not depend on any platform header.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "fish/mesh_geometry.h"
#include "fish/xfile_reader.h"
#include "device/d3d_types.h"

namespace brine {

constexpr std::uint32_t kNoBone = 0xFFFFFFFFu;

// The most bones one face may be blended between: fixed-function blending without indices has
// four world matrices (three weights and the implicit last one).
constexpr std::uint32_t kMaxFaceInfluences = 4;

struct SkinBone {
    std::string name;                     // the frame that moves the bone
    Matrix offset;                        // mesh space into bone space
    std::vector<std::uint32_t> vertices;  // vertices of the mesh the skin belongs to
    std::vector<float> weights;           // parallel to vertices
};

class SkinInfo {
public:
    std::uint32_t get_num_bones() const { return std::uint32_t(bones.size()); }
    const char* get_bone_name(std::uint32_t bone) const { return bones[bone].name.c_str(); }
    const Matrix& get_bone_offset_matrix(std::uint32_t bone) const { return bones[bone].offset; }

    std::uint32_t vertexCount = 0;  // of the mesh the vertex numbers refer to
    std::vector<SkinBone> bones;
};

// The skin of a loaded mesh: the file numbers SkinWeights vertices by position, so each weight
// goes to every vertex made from that position. Weights that are not finite and positive are
// left out (they would only widen a face's palette). kOutOfMemory when allocation fails.
HResult build_skin_info(const XMesh& mesh, const MeshGeometry& geometry, SkinInfo* out);

struct BoneCombination {  // D3DXBONECOMBINATION
    std::uint32_t attribId;  // the material of the group's faces
    std::uint32_t faceStart, faceCount, vertexStart, vertexCount;
    const std::uint32_t* boneId;  // maxFaceInfluences entries; kNoBone where unused
};

// The table of groups with the bone ids they point into; not copyable, since the groups point
// into the id array.
class BoneCombinationTable {
public:
    BoneCombinationTable() = default;
    BoneCombinationTable(const BoneCombinationTable&) = delete;
    BoneCombinationTable& operator=(const BoneCombinationTable&) = delete;

    std::vector<BoneCombination> groups;
    std::vector<std::uint32_t> boneIds;
};

struct BlendedMesh {
    std::unique_ptr<MeshGeometry> mesh;
    std::unique_ptr<BoneCombinationTable> table;
    std::uint32_t maxFaceInfluences = 0;  // bone ids per group, at least 1
    std::uint32_t groupCount = 0;
};

// ConvertToBlendedMesh:
// - each vertex keeps its four heaviest influences; each face is blended between at most four
//   bones, the four with the largest weight summed over its corners when its corners name more;
// - faces are grouped per material, in face order, into the first group of that material whose
//   bones together with the face's still fit maxFaceInfluences (only the material's 64 latest
//   groups are tried, which bounds the work on hostile files); faces moved by no bone form one
//   group per material whose ids are all kNoBone; a group's ids are in ascending order;
// - a vertex used by groups with different bone lists is copied for each list (vertices are
//   ordered by bone list, then source vertex, so a group's vertices lie together); its weights are
//   those of the group's bones, renormalised to sum 1, in BoneId order, the last one implicit
//   (vertex format XYZB(maxFaceInfluences - 1)); a vertex on none of the group's bones hangs
//   entirely on the group's last bone;
// - the new mesh's attribute id of a face is its group's index, so DrawSubset(g) draws group g.
HResult convert_to_blended_mesh(const SkinInfo& skin, const MeshGeometry& source, std::uint32_t options,
                                BlendedMesh* out);

// The position of a group's last bone id that is not kNoBone among its first maxFaceInfluences
// entries, 0 when there is none: the D3DRS_VERTEXBLEND value it is drawn with, one less than
// the blend matrices it needs.
std::uint32_t last_bone_slot(const BoneCombination& group, std::uint32_t maxFaceInfluences);

// The first group that needs more blend matrices (last_bone_slot + 1) than the device has; the
// group count when every group fits. Counting by the last used slot keeps a group without bones
// (which still needs world matrix 0) in the software pass of a device with none.
std::uint32_t find_software_split(const BoneCombinationTable& table, std::uint32_t maxFaceInfluences,
                                  std::uint32_t maxVertexBlendMatrices);

}  // namespace brine
