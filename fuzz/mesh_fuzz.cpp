// libFuzzer target for skinned-mesh loading: any X file must load or be refused without a crash
// or unbounded work, and a loaded mesh must survive its motion operations and drawing (with a
// device short of blend matrices, so the software pass runs too). Depends on the core only; the
// counting device draws nothing, and every buffer it made must be released with the mesh.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fish/fish_mesh_hooks.h"
#include "fish/mesh_resource.h"
#include "device/counting_device.h"
#include "render/d3dx_math.h"

namespace {

using namespace brine;

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CountingDevice device;
    ResourceRegistry registry;
    MeshLoadContext context;
    context.device = &device;
    context.caps.maxVertexBlendMatrices = size % 5;  // 0..4: every split happens somewhere
    context.registry = &registry;
    context.loadTexture = nullptr;
    MeshResource mesh;
    if (failed(load_mesh_from_memory(mesh, data, size, "fish.pak", context))) {
        check(mesh.rootFrame == nullptr && !mesh.animController);
        check(device.live == 0);
        return 0;
    }
    check(mesh.rootFrame != nullptr);
    FishMeshHooks hooks;
    hooks.reset_mesh_time(mesh);
    for (std::uint32_t i = 0; i < 3; ++i) {
        select_motion(mesh, i);
        set_motion_time(mesh, 0.37 * i);
        hooks.advance_mesh(mesh, 0.5f, matrix_translation(1, 2, 3));
        hooks.set_mesh_overrides(mesh, i == 1, i == 2);
        check(hooks.draw_mesh(device, mesh) == kOk);
    }
    for (MeshFrame* f : mesh.frameOrder) {
        for (MeshContainer* c = f->firstContainer; c; c = c->next) {
            check(c->materialCount >= 1 && c->materials.size() == c->materialCount);
            if (!c->skinInfo) continue;
            check(c->boneMatrixPointers.size() == c->skinInfo->get_num_bones());
            check(c->maxFaceInfluences >= 1 && c->maxFaceInfluences <= kMaxFaceInfluences);
            check(c->softwareSplit <= c->attributeGroupCount);
        }
    }
    release_mesh_resource(&mesh);
    check(device.live == 0);
    return 0;
}
