// What the fish operations work with: the tank and the services around it (clock, random
// generator, catalog, camera, resource registry and the skinned-mesh operations), gathered in
// one small record instead of long argument lists. FishMeshOps is the seam to the skinned-mesh
// engine: loading a fish's mesh from its pack and the motion calls on its animation controller.
// Must not depend on any platform header; the mesh engine is reached only through FishMeshOps.
#pragma once
#include <cstdint>

#include "base/clock.h"
#include "base/crt_rand.h"
#include "base/result.h"
#include "render/mesh_hooks.h"

namespace brine {

class Camera;
class ResourceRegistry;
struct FishCatalog;
struct MeshResource;
struct Tank;

// The mesh operations a fish needs, on top of the rendering hooks (attach resets the time,
// advance_object advances it). Every motion call on a mesh without an animation controller does
// nothing, and its time reads 0.
class FishMeshOps : public MeshHooks {
public:
    // Loads the skinned mesh from a pack member into `mesh` (empty on entry); on failure the mesh
    // is left empty again and the code is passed on.
    virtual HResult load_mesh(MeshResource& mesh, const char* packPath, const char* member) = 0;
    // Number of animation sets the mesh's controller holds (0 without a controller).
    virtual std::int32_t animation_set_count(const MeshResource& mesh) = 0;
    // Puts the set of that index on track 0; changes nothing unless the mesh has more than one set.
    virtual void select_motion(MeshResource& mesh, std::int32_t animationSet) = 0;
    virtual double get_time(const MeshResource& mesh) = 0;
    // Absolute animation time in seconds; re-poses the animated frames.
    virtual void set_time(MeshResource& mesh, double seconds) = 0;
};

struct FishWorld {
    Tank* tank = nullptr;
    Clock* clock = nullptr;
    CrtRand* rand = nullptr;
    const FishCatalog* catalog = nullptr;    // rows that create_fish and load_roster may use
    const Camera* camera = nullptr;          // pellets face it, the draw order is by its eye
    const ResourceRegistry* registry = nullptr;  // '@' references of motion scripts; may be null
    FishMeshOps* meshes = nullptr;

    std::uint32_t now() const { return clock->tick_count(); }
    int random() const { return rand->rand(); }
};

}  // namespace brine
