// The fish side of the seam between scene objects and skinned meshes: what SceneObject's
// advance and drawing ask of a mesh, answered with the motion and drawing operations of
// fish/mesh_resource.h. Stateless; one instance serves every fish.
// Must not depend on any platform header.
#pragma once
#include "render/mesh_hooks.h"

namespace brine {

class FishMeshHooks final : public MeshHooks {
public:
    void reset_mesh_time(MeshResource& mesh) override;
    void advance_mesh(MeshResource& mesh, float seconds, const Matrix& world) override;
    void set_mesh_overrides(MeshResource& mesh, bool keepObjectMaterial, bool keepObjectTextures) override;
    HResult draw_mesh(GraphicsDevice& device, MeshResource& mesh) override;
};

}  // namespace brine
