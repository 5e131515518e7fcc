// The frame hierarchy of a skinned mesh: frame and mesh-container records, the allocate-
// hierarchy interface through which the loader makes and destroys them (as D3DX's loader calls
// ID3DXAllocateHierarchy), and the walks over the hierarchy: find by name, destroy, combined
// matrices, bounding sphere. Walks are iterative, so a deep or long hierarchy cannot exhaust
// the stack. Must not depend on any platform header.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "fish/mesh_geometry.h"
#include "fish/skin_info.h"
#include "device/d3d_types.h"

namespace brine {

class Texture;
struct MeshContainer;

struct MeshFrame {
    std::string name;                        // empty for an unnamed frame
    Matrix local;                            // the frame's transform relative to its parent
    MeshContainer* firstContainer = nullptr; // owned chain
    MeshFrame* sibling = nullptr;            // owned
    MeshFrame* firstChild = nullptr;         // owned
    Matrix combined;                         // local x the parent's combined matrix
    MeshFrame* parent = nullptr;             // not owned; null for the root and its siblings
};

constexpr std::uint32_t kMeshTypeMesh = 1;  // D3DXMESHTYPE_MESH, the only type accepted

struct MeshMaterial {  // D3DXMATERIAL
    Material material;
    const char* textureFilename = nullptr;  // valid only while the container is created
};

struct MeshContainer {
    std::string name;
    std::uint32_t meshType = kMeshTypeMesh;
    std::unique_ptr<MeshGeometry> mesh;  // what is drawn: the blended mesh when skinned
    std::vector<MeshMaterial> materials; // at least one; file names cleared after creation
    std::uint32_t materialCount = 0;
    std::vector<std::uint32_t> adjacency;  // three per face of the source mesh
    std::unique_ptr<SkinInfo> skinInfo;    // null when the mesh is not skinned
    MeshContainer* next = nullptr;         // owned

    std::vector<Texture*> textures;  // one per material, null for none; owned by the registry
    std::unique_ptr<MeshGeometry> sourceMesh;  // skinned: the mesh before conversion
    std::uint32_t attributeGroupCount = 0;
    std::uint32_t maxFaceInfluences = 0;
    std::unique_ptr<BoneCombinationTable> boneCombinations;
    std::vector<const Matrix*> boneMatrixPointers;  // per bone: the combined matrix of its frame
    std::vector<Matrix> boneOffsets;                // per bone
    std::uint32_t softwareSplit = 0;  // first group drawn with software vertex processing
};

// What the loader hands to CreateMeshContainer (D3DXMESHDATA and the loose arguments).
struct MeshContainerSource {
    std::uint32_t meshType = kMeshTypeMesh;
    std::unique_ptr<MeshGeometry> mesh;
    const MeshMaterial* materials = nullptr;
    std::uint32_t materialCount = 0;
    const std::uint32_t* adjacency = nullptr;  // three per face of mesh
    std::unique_ptr<SkinInfo> skinInfo;        // null when not skinned
};

// ID3DXAllocateHierarchy. The loader calls CreateFrame for every frame and CreateMeshContainer
// for every mesh, links what they give into the hierarchy, and destroys a hierarchy (also a
// half-built one after a failure) through the same object. CreateMeshContainer takes over the
// mesh and skin information of its source whatever its result.
class AllocateHierarchy {
public:
    virtual HResult CreateFrame(const char* name, MeshFrame** newFrame) = 0;
    virtual HResult CreateMeshContainer(const char* name, MeshContainerSource& source,
                                        MeshContainer** newContainer) = 0;
    virtual HResult DestroyFrame(MeshFrame* frame) = 0;
    virtual HResult DestroyMeshContainer(MeshContainer* container) = 0;

protected:
    ~AllocateHierarchy() = default;
};

// D3DXFrameFind: the first frame named `name` in the order frame, its siblings, its children.
// An empty name finds nothing.
MeshFrame* frame_find(MeshFrame* root, const char* name);

// The frames under root (root's siblings included) in drawing order: a frame, then the frames
// of its sibling chain, then those of its first child, as D3DX's samples walk them.
// kOutOfMemory when the list cannot be made.
HResult list_frames(MeshFrame* root, std::vector<MeshFrame*>* out);

// D3DXFrameDestroy: every container and frame under root (siblings included), through alloc.
// Needs no memory, so it cannot fail halfway.
void destroy_frame_hierarchy(MeshFrame* root, AllocateHierarchy& alloc);

// Combined matrices: each frame's local matrix times its parent's combined matrix; the root
// and its siblings take `parent` (their local matrix alone when null). Allocates nothing.
void update_frame_matrices(MeshFrame* root, const Matrix* parent);

// D3DXFrameCalculateBoundingSphere: every container's mesh (the source mesh when skinned, in
// its bind pose) bounded by centroid and farthest vertex, moved by its frame's combined matrix
// (radius scaled by the matrix's largest axis scale); the spheres are merged around the mean of
// their centres. Combined matrices must be current. A hierarchy without meshes gives a zero
// sphere; kFail when a position is not finite.
HResult frame_bounding_sphere(MeshFrame* root, Vec3* center, float* radius);

}  // namespace brine
