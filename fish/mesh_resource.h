// The skinned mesh of one fish as a resource node (kind 4, "TKLIB_MESH"): its frame hierarchy,
// animation controller and table of animation sets, bounding sphere and texture pack, loaded
// from an X file through the program's allocate-hierarchy object; the motion operations that
// play its animation; and its drawing with vertex blending. Owned by its fish slot, never put
// into the registry, torn down by release_mesh_resource (which the registry's release switch
// calls for kind 4). Must not depend on any platform header: the device is reached only
// through device/graphics_device.h, textures through the registry and a loader function.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "data/resource_registry.h"
#include "fish/animation_controller.h"
#include "fish/mesh_hierarchy.h"
#include "device/graphics_device.h"

namespace brine {

struct MeshResource;

// Fills a new texture entry from a pack member (or a loose file when member is null), with the
// image loader's arguments: render-target flag, mip levels, format. The scene wires it to
// render/image_loading.h's load_texture and its decoders (see shell/aquarium.cpp); tests count
// calls through their own. Null: entries are registered and stay empty, as after a failed load.
using TextureLoader = HResult (*)(GraphicsDevice& device, TextureResource& entry, const char* path,
                                  const char* member, bool renderTarget, std::uint32_t mipLevels,
                                  std::uint32_t format);

// What loading needs from the scene. The caps decide which bone groups need software vertex
// processing; the mesh keeps that number, so drawing agrees with the split it was loaded with.
struct MeshLoadContext {
    GraphicsDevice* device = nullptr;      // buffers are created on it; required
    DeviceCaps caps{};
    ResourceRegistry* registry = nullptr;  // null: materials get no textures
    TextureLoader loadTexture = nullptr;
};

enum MeshDrawFlags : std::uint32_t {
    kMeshKeepMaterial = 0x1,  // do not set the mesh's materials (the object's stays)
    kMeshKeepTexture = 0x2,   // do not set the mesh's textures (stage 0 keeps what it holds)
};

// The program's ID3DXAllocateHierarchy: makes the frame and container records of the mesh it
// belongs to. CreateMeshContainer adds normals when the file has none, copies the materials
// (mid grey when there are none), finds their textures in the registry by file name (get or
// create; a new entry is filled by the context's loader from the mesh's pack), converts a
// skinned mesh for vertex blending and creates the drawable mesh's device buffers.
class FishAllocateHierarchy final : public AllocateHierarchy {
public:
    explicit FishAllocateHierarchy(MeshResource& owner) : owner_(owner) {}

    HResult CreateFrame(const char* name, MeshFrame** newFrame) override;
    HResult CreateMeshContainer(const char* name, MeshContainerSource& source, MeshContainer** newContainer) override;
    HResult DestroyFrame(MeshFrame* frame) override;
    HResult DestroyMeshContainer(MeshContainer* container) override;

    MeshLoadContext* context = nullptr;  // set only while a load runs

private:
    Texture* texture_for(const char* fileName);
    MeshResource& owner_;
};

struct MeshResource : ResourceNode {
    static constexpr ResourceKind kKind = kResourceMesh;
    MeshResource();  // "TKLIB_MESH", kind 4
    ~MeshResource();

    std::uint32_t drawFlags = 0;  // MeshDrawFlags
    MeshFrame* rootFrame = nullptr;
    std::unique_ptr<AnimationController> animController;  // null when the file has no animation
    std::unique_ptr<AnimationSet*[]> animationSets;        // only with more than one set
    std::uint32_t animationSetCount = 0;
    Vec3 boundCenter{0, 0, 0};
    float boundRadius = 0.0f;
    std::string texturePack;  // the pack the mesh came from; empty for a loose file

    std::uint32_t maxVertexBlendMatrices = 0;  // of the device the mesh was loaded for
    std::vector<MeshFrame*> frameOrder;        // every frame in drawing order
    FishAllocateHierarchy allocator{*this};
};

// The mesh behind a registry head, or null when the node is not a mesh.
inline MeshResource* as_mesh(ResourceNode* node) {
    return node && node->kind == kResourceMesh ? static_cast<MeshResource*>(node) : nullptr;
}

// Loads the mesh from a pack member (path is the pack) or a loose file (member null). Whatever
// the mesh held is released first; on failure it is left empty. kFail when the file cannot be
// read or a bone names a frame the hierarchy lacks; the reader's code for a malformed file;
// kOutOfMemory; a device failure's own code.
HResult load_mesh(MeshResource& mesh, const char* path, const char* member, MeshLoadContext& context);
// The same from X-file bytes already in memory; texturePack (or null) is where textures come from.
HResult load_mesh_from_memory(MeshResource& mesh, const void* data, std::size_t size, const char* texturePack,
                              MeshLoadContext& context);
// The same from a file already read.
HResult load_mesh_from_scene(MeshResource& mesh, const XFileScene& scene, const char* texturePack,
                             MeshLoadContext& context);

// Frees everything the mesh holds and leaves it empty; the node itself stays (its owner frees it,
// or destroy_resource does). Safe to call twice and on null.
void release_mesh_resource(MeshResource* mesh);

// (Re)makes the blended mesh of a skinned container and its software split for a device with
// that many blend matrices; the drawable mesh is left without device buffers.
HResult convert_skinned_container(MeshContainer& container, std::uint32_t maxVertexBlendMatrices);

// --- motion (each does nothing, or gives 0, without an animation controller) ---
void reset_motion_time(MeshResource& mesh);
double get_motion_time(const MeshResource& mesh);
// Evaluates the set on track 0 at that time and writes the animated frames' local matrices.
void set_motion_time(MeshResource& mesh, double seconds);
// Puts set `index` on track 0; only a mesh with more than one set changes, and an index past
// the last set is ignored.
void select_motion(MeshResource& mesh, std::uint32_t index);
// Time moves on by `elapsed`, then every combined matrix is recomputed under `parent` (also
// without a controller). Allocates nothing.
void advance_motion(MeshResource& mesh, double elapsed, const Matrix& parent);

// Draws every container, frames in drawing order, containers in chain order, honouring
// drawFlags; vertex blending with the bone groups of skinned containers, the groups beyond the
// device's blend matrices with software vertex processing. Always kOk; allocates nothing.
HResult draw_skinned_mesh(GraphicsDevice& device, const MeshResource& mesh);

}  // namespace brine
