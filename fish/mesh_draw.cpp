// Drawing a skinned mesh with the fixed-function pipeline: plain containers material by
// material, skinned ones bone group by bone group with vertex blending, the groups that need
// more blend matrices than the device has in a second, software-processed pass.
#include <cstdint>

#include "fish/mesh_resource.h"
#include "render/d3dx_math.h"

namespace brine {

namespace {

constexpr std::uint32_t kNoAttribute = 0xFFFFFFFFu;

void draw_plain(GraphicsDevice& device, std::uint32_t flags, const MeshFrame& frame, const MeshContainer& c) {
    device.set_transform(kTsWorld, frame.combined);
    for (std::uint32_t i = 0; i < c.materialCount; ++i) {
        if (!(flags & kMeshKeepMaterial)) device.set_material(c.materials[i].material);
        if (!(flags & kMeshKeepTexture)) device.set_texture(0, c.textures[i]);
        c.mesh->draw_subset(device, i);
    }
}

// One bone group: its blend matrices, the blend state, the material when it changes, the draw.
void draw_group(GraphicsDevice& device, std::uint32_t flags, const MeshContainer& c, std::uint32_t g,
                std::uint32_t lastSlot, std::uint32_t* previousAttribute) {
    const BoneCombination& group = c.boneCombinations->groups[g];
    for (std::uint32_t k = 0; k < c.maxFaceInfluences; ++k) {
        const std::uint32_t bone = group.boneId[k];
        if (bone == kNoBone) continue;
        device.set_transform(world_matrix(k), matrix_multiply(c.boneOffsets[bone], *c.boneMatrixPointers[bone]));
    }
    device.set_render_state(kRsVertexBlend, lastSlot);
    if (group.attribId != *previousAttribute) {
        if (!(flags & kMeshKeepMaterial)) device.set_material(c.materials[group.attribId].material);
        if (!(flags & kMeshKeepTexture)) device.set_texture(0, c.textures[group.attribId]);
        *previousAttribute = group.attribId;
    }
    c.mesh->draw_subset(device, g);
}

void draw_skinned(GraphicsDevice& device, std::uint32_t flags, std::uint32_t maxBlend, const MeshContainer& c) {
    std::uint32_t previous = kNoAttribute;
    for (std::uint32_t g = 0; g < c.attributeGroupCount; ++g) {
        const std::uint32_t n = last_bone_slot(c.boneCombinations->groups[g], c.maxFaceInfluences);
        if (n + 1 > maxBlend) continue;
        draw_group(device, flags, c, g, n, &previous);
    }
    if (c.softwareSplit < c.attributeGroupCount) {
        device.set_software_vertex_processing(true);
        previous = kNoAttribute;
        for (std::uint32_t g = c.softwareSplit; g < c.attributeGroupCount; ++g) {
            const std::uint32_t n = last_bone_slot(c.boneCombinations->groups[g], c.maxFaceInfluences);
            if (n + 1 <= maxBlend) continue;  // drawn by the hardware pass
            draw_group(device, flags, c, g, n, &previous);
        }
        device.set_software_vertex_processing(false);
    }
    device.set_render_state(kRsVertexBlend, 0);
}

}  // namespace

HResult draw_skinned_mesh(GraphicsDevice& device, const MeshResource& mesh) {
    for (const MeshFrame* frame : mesh.frameOrder) {
        for (const MeshContainer* c = frame->firstContainer; c; c = c->next) {
            if (!c->mesh) continue;
            if (c->skinInfo && c->boneCombinations) {
                draw_skinned(device, mesh.drawFlags, mesh.maxVertexBlendMatrices, *c);
            } else {
                draw_plain(device, mesh.drawFlags, *frame, *c);
            }
        }
    }
    return kOk;
}

}  // namespace brine
