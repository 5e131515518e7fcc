// The seam between scene objects and the skinned meshes of fish/: what rendering asks of a
// mesh without knowing its insides. The fish side implements MeshHooks once; tests stub it.
// Must not depend on fish/ or on any platform header.
#pragma once
#include "base/result.h"
#include "render/d3d_types.h"

namespace brine {

class GraphicsDevice;
struct MeshResource;  // the skinned mesh of a fish, owned by its tank slot

class MeshHooks {
public:
    virtual ~MeshHooks() = default;

    // Attaching a mesh to an object (attach_mesh): its animation time goes back to 0.
    virtual void reset_mesh_time(MeshResource& mesh) = 0;
    // advance_object of a mesh object, after its world matrix was rebuilt: the animation time
    // moves on by `seconds` and every frame's combined matrix is recomputed under `world`.
    virtual void advance_mesh(MeshResource& mesh, float seconds, const Matrix& world) = 0;
    // render_frame, before a fish is drawn: true keeps the mesh from setting its own materials
    // (drawFlags bit 0) and its own textures (bit 1), so the object's own ones show.
    virtual void set_mesh_overrides(MeshResource& mesh, bool keepObjectMaterial, bool keepObjectTextures) = 0;
    // draw_scene_object of a mesh object, after the object's states, material, textures and
    // world transform are set. Its result is passed back by draw_scene_object.
    virtual HResult draw_mesh(GraphicsDevice& device, MeshResource& mesh) = 0;
};

}  // namespace brine
