// The seam between scene objects and the skinned meshes of fish/: what rendering asks of a
// mesh without knowing its insides. A mesh reaches rendering only as its registry head (a node
// of kind kResourceMesh, owned by its tank slot); the fish side, which implements MeshHooks
// once, knows the record behind it. Tests stub it.
// Must not depend on fish/ or on any platform header.
#pragma once
#include "base/result.h"
#include "data/resource_registry.h"
#include "device/d3d_types.h"

namespace brine {

class GraphicsDevice;

class MeshHooks {
public:
    virtual ~MeshHooks() = default;

    // Attaching a mesh to an object (attach_mesh): its animation time goes back to 0.
    virtual void reset_mesh_time(ResourceNode& mesh) = 0;
    // advance_object of a mesh object, after its world matrix was rebuilt: the animation time
    // moves on by `seconds` and every frame's combined matrix is recomputed under `world`.
    virtual void advance_mesh(ResourceNode& mesh, float seconds, const Matrix& world) = 0;
    // render_frame, before a fish is drawn: true keeps the mesh from setting its own materials
    // (drawFlags bit 0) and its own textures (bit 1), so the object's own ones show.
    virtual void set_mesh_overrides(ResourceNode& mesh, bool keepObjectMaterial, bool keepObjectTextures) = 0;
    // draw_scene_object of a mesh object, after the object's states, material, textures and
    // world transform are set. Its result is passed back by draw_scene_object.
    virtual HResult draw_mesh(GraphicsDevice& device, ResourceNode& mesh) = 0;
};

}  // namespace brine
