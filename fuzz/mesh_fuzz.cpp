// libFuzzer target for skinned-mesh loading: any X file must load or be refused without a crash
// or unbounded work, and a loaded mesh must survive its motion operations and drawing (with a
// device short of blend matrices, so the software pass runs too). Depends on the core only; the
// device below does nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fish/fish_mesh_hooks.h"
#include "fish/mesh_resource.h"
#include "render/d3dx_math.h"

namespace {

using namespace brine;

struct Dummy final : VertexBuffer {
    void release() override {}
};
struct DummyIndices final : IndexBuffer {
    void release() override {}
};

// Every call succeeds; buffers are one shared object that is never freed.
class QuietDevice final : public GraphicsDevice {
public:
    HResult clear(std::uint32_t, const Rect*, std::uint32_t, D3DColor, float, std::uint32_t) override { return kOk; }
    HResult begin_scene() override { return kOk; }
    HResult end_scene() override { return kOk; }
    HResult present() override { return kOk; }
    HResult reset(const PresentParams&) override { return kOk; }
    HResult set_render_state(std::uint32_t, std::uint32_t) override { return kOk; }
    HResult set_texture_stage_state(std::uint32_t, std::uint32_t, std::uint32_t) override { return kOk; }
    HResult set_transform(std::uint32_t, const Matrix&) override { return kOk; }
    HResult set_viewport(const Viewport&) override { return kOk; }
    HResult set_light(std::uint32_t, const Light&) override { return kOk; }
    HResult light_enable(std::uint32_t, bool) override { return kOk; }
    HResult set_material(const Material&) override { return kOk; }
    HResult set_texture(std::uint32_t, Texture*) override { return kOk; }
    HResult set_fvf(std::uint32_t) override { return kOk; }
    HResult set_software_vertex_processing(bool) override { return kOk; }
    HResult draw_primitive_up(std::uint32_t, std::uint32_t, const void*, std::uint32_t) override { return kOk; }
    HResult create_vertex_buffer(const void*, std::uint32_t, std::uint32_t, VertexBuffer** out) override {
        *out = &vertices_;
        return kOk;
    }
    HResult create_index_buffer(const void*, std::uint32_t, bool, IndexBuffer** out) override {
        *out = &indices_;
        return kOk;
    }
    HResult set_stream_source(VertexBuffer*, std::uint32_t) override { return kOk; }
    HResult set_indices(IndexBuffer*) override { return kOk; }
    HResult draw_indexed_primitive(std::uint32_t, std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                   std::uint32_t) override {
        return kOk;
    }
    HResult get_back_buffer(std::uint32_t, std::uint32_t, Surface**) override { return kFail; }
    HResult stretch_rect(Surface*, const Rect*, Surface*, const Rect*, std::uint32_t) override { return kOk; }
    HResult create_offscreen_plain_surface(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                           Surface**) override {
        return kFail;
    }
    HResult create_texture(const DecodedImage&, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                           Texture**) override {
        return kFail;
    }
    HResult load_surface(Surface*, const DecodedImage&, D3DColor) override { return kFail; }
    HResult create_vertex_shader(const std::uint32_t*, std::uint32_t, VertexShader**) override { return kFail; }
    HResult create_effect(const char*, std::uint32_t, std::uint32_t, Effect**) override { return kFail; }
    HResult create_font(const LogFont&, Font**) override { return kFail; }
    void release() override {}

private:
    Dummy vertices_;
    DummyIndices indices_;
};

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietDevice device;
    ResourceRegistry registry;
    MeshLoadContext context;
    context.device = &device;
    context.caps.maxVertexBlendMatrices = size % 5;  // 0..4: every split happens somewhere
    context.registry = &registry;
    context.loadTexture = nullptr;
    MeshResource mesh;
    if (failed(load_mesh_from_memory(mesh, data, size, "fish.pak", context))) {
        check(mesh.rootFrame == nullptr && !mesh.animController);
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
    return 0;
}
