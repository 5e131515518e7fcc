// The fish side of the seam between scene objects and skinned meshes: what SceneObject's
// advance and drawing ask of a mesh, answered with the motion and drawing operations of
// fish/mesh_resource.h. Stateless; one instance serves every fish. A node that is not a mesh
// is left alone (drawing it answers kOk, like an object without a drawable).
// Must not depend on any platform header.
#pragma once
#include "render/mesh_hooks.h"

namespace brine {

class FishMeshHooks final : public MeshHooks {
public:
    void reset_mesh_time(ResourceNode& mesh) override;
    void advance_mesh(ResourceNode& mesh, float seconds, const Matrix& world) override;
    void set_mesh_overrides(ResourceNode& mesh, bool keepObjectMaterial, bool keepObjectTextures) override;
    HResult draw_mesh(GraphicsDevice& device, ResourceNode& mesh) override;
};

}  // namespace brine
