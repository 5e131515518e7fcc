#include "fish/mesh_resource.h"

namespace brine {

MeshResource::MeshResource() {
    set_name("TKLIB_MESH");
    kind = kResourceMesh;
}

MeshResource::~MeshResource() { release_mesh_resource(this); }

void release_mesh_resource(MeshResource* mesh) {
    if (!mesh) return;
    mesh->packPath.clear();
    mesh->packPath.shrink_to_fit();
}

}  // namespace brine
