// Scene objects reach a fish's skinned mesh through here.
#include "fish/fish_mesh_hooks.h"

#include "fish/mesh_resource.h"

namespace brine {

void FishMeshHooks::reset_mesh_time(ResourceNode& node) {
    if (MeshResource* mesh = as_mesh(&node)) reset_motion_time(*mesh);
}

void FishMeshHooks::advance_mesh(ResourceNode& node, float seconds, const Matrix& world) {
    if (MeshResource* mesh = as_mesh(&node)) advance_motion(*mesh, seconds, world);
}

void FishMeshHooks::set_mesh_overrides(ResourceNode& node, bool keepObjectMaterial, bool keepObjectTextures) {
    if (MeshResource* mesh = as_mesh(&node))
        mesh->drawFlags = (keepObjectMaterial ? kMeshKeepMaterial : 0u) | (keepObjectTextures ? kMeshKeepTexture : 0u);
}

HResult FishMeshHooks::draw_mesh(GraphicsDevice& device, ResourceNode& node) {
    MeshResource* mesh = as_mesh(&node);
    return mesh ? draw_skinned_mesh(device, *mesh) : kOk;
}

}  // namespace brine
