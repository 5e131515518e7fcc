// The skinned mesh of one fish as a resource node (kind 4, "TKLIB_MESH"). Owned by its fish slot,
// never put into the registry, torn down by release_mesh_resource (which the registry's release
// switch calls for kind 4). The X-file loader extends this record with the frame hierarchy, the
// animation controller and its table of animation sets, and their teardown.
// Must not depend on anything but the standard library and data/resource_registry.h.
#pragma once
#include <string>

#include "data/resource_registry.h"

namespace brine {

struct MeshResource : ResourceNode {
    static constexpr ResourceKind kKind = kResourceMesh;
    MeshResource();  // "TKLIB_MESH", kind 4
    ~MeshResource();

    std::string packPath;  // the pack the mesh was read from; its textures come from there too
};

// Frees everything the mesh holds and leaves it empty; the node itself stays (its owner frees it,
// or destroy_resource does). Safe to call twice and on null.
void release_mesh_resource(MeshResource* mesh);

}  // namespace brine
