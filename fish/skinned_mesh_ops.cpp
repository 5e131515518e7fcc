// Fish mesh operations over fish/mesh_resource.h.
#include "fish/skinned_mesh_ops.h"

namespace brine {

HResult SkinnedMeshOps::load_mesh(MeshResource& mesh, const char* packPath, const char* member) {
    return brine::load_mesh(mesh, packPath, member, context_);
}

std::int32_t SkinnedMeshOps::animation_set_count(const MeshResource& mesh) {
    return mesh.animController ? static_cast<std::int32_t>(mesh.animationSetCount) : 0;
}

void SkinnedMeshOps::select_motion(MeshResource& mesh, std::int32_t animationSet) {
    if (animationSet >= 0) brine::select_motion(mesh, static_cast<std::uint32_t>(animationSet));
}

double SkinnedMeshOps::get_time(const MeshResource& mesh) { return get_motion_time(mesh); }

void SkinnedMeshOps::set_time(MeshResource& mesh, double seconds) { set_motion_time(mesh, seconds); }

}  // namespace brine
