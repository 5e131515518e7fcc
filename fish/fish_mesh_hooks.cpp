// Scene objects reach a fish's skinned mesh through here.
#include "fish/fish_mesh_hooks.h"

#include "fish/mesh_resource.h"

namespace brine {

void FishMeshHooks::reset_mesh_time(MeshResource& mesh) { reset_motion_time(mesh); }

void FishMeshHooks::advance_mesh(MeshResource& mesh, float seconds, const Matrix& world) {
    advance_motion(mesh, seconds, world);
}

void FishMeshHooks::set_mesh_overrides(MeshResource& mesh, bool keepObjectMaterial, bool keepObjectTextures) {
    mesh.drawFlags = (keepObjectMaterial ? kMeshKeepMaterial : 0u) | (keepObjectTextures ? kMeshKeepTexture : 0u);
}

HResult FishMeshHooks::draw_mesh(GraphicsDevice& device, MeshResource& mesh) { return draw_skinned_mesh(device, mesh); }

}  // namespace brine
