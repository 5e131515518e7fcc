// Skinned fish meshes: loading a fish-sized X file (5000 vertices, 20 bones in a chain, one
// animation set) from text in memory, with and without the text reading; and one update pass
// (advance and draw) of ten such fish on the null device.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "fish/fish_mesh_hooks.h"
#include "fish/mesh_resource.h"
#include "render/d3dx_math.h"
#include "render/scene_object.h"
#include "tests/support/recording_device.h"
#include "tests/support/xfile_writer.h"

namespace brine {
namespace {

constexpr int kRings = 100;
constexpr int kAround = 50;  // 5000 vertices
constexpr int kBones = 20;
constexpr int kKeys = 31;

// A tapering body along +z with a chain of bones, bone b at z = b * length / 20; each vertex
// hangs between the two bones around it. The last tenth of the faces has a second material.
XFileScene fish_scene() {
    XFileScene s;
    s.ticksPerSecond = 4800;
    s.frames.resize(2 + kBones);
    s.frames[0].name = "Root";
    s.frames[0].firstChild = 1;
    s.frames[1].name = "Body";
    s.frames[1].parent = 0;
    s.frames[1].nextSibling = 2;
    const float length = 12.0f, step = length / kBones;
    for (int b = 0; b < kBones; ++b) {
        XFrame& f = s.frames[2 + b];
        f.name = "Bone" + std::to_string(b);
        f.parent = b == 0 ? 0 : 1 + b;
        f.firstChild = b + 1 < kBones ? 3 + b : -1;
        f.transform.m[14] = b == 0 ? 0.0f : step;
    }
    XMesh m;
    for (int r = 0; r < kRings; ++r) {
        const float z = length * r / (kRings - 1);
        const float radius = 1.5f * std::sin(3.14159f * (0.1f + 0.8f * r / (kRings - 1)));
        for (int c = 0; c < kAround; ++c) {
            const float a = 6.2831853f * c / kAround;
            m.positions.push_back({std::cos(a) * radius, std::sin(a) * radius * 1.3f, z});
            m.normals.push_back({std::cos(a), std::sin(a), 0.0f});
            m.uvs.push_back({float(c) / kAround, float(r) / kRings});
        }
    }
    for (std::uint32_t r = 0; r + 1 < kRings; ++r) {
        for (std::uint32_t c = 0; c < kAround; ++c) {
            const std::uint32_t n = (c + 1) % kAround;
            const std::uint32_t a = r * kAround + c, b = r * kAround + n;
            const std::uint32_t d = (r + 1) * kAround + c, e = (r + 1) * kAround + n;
            m.faceSizes.insert(m.faceSizes.end(), {3, 3});
            m.faceIndices.insert(m.faceIndices.end(), {a, d, b, b, d, e});
        }
    }
    m.faceNormalIndices = m.faceIndices;
    XMaterial body, fin;
    body.textureFile = "kingyo.dds";
    m.materials = {body, fin};
    m.faceMaterials.assign(m.faceSizes.size(), 0);
    for (std::size_t f = m.faceMaterials.size() * 9 / 10; f < m.faceMaterials.size(); ++f) m.faceMaterials[f] = 1;
    m.bones.resize(kBones);
    for (int b = 0; b < kBones; ++b) {
        m.bones[b].frameName = "Bone" + std::to_string(b);
        XMatrix offset;
        offset.m[14] = -step * b;  // mesh space into the bone's bind space
        m.bones[b].offset = offset;
    }
    for (std::uint32_t v = 0; v < m.positions.size(); ++v) {
        const float at = m.positions[v].z / step;
        const int b = std::min(kBones - 1, int(at));
        const float t = at - float(b);
        m.bones[b].vertices.push_back(v);
        m.bones[b].weights.push_back(1.0f - t);
        if (b + 1 < kBones && t > 0.0f) {
            m.bones[b + 1].vertices.push_back(v);
            m.bones[b + 1].weights.push_back(t);
        }
    }
    s.frames[1].meshes.push_back(m);

    XAnimationSet set;
    set.name = "Swim";
    for (int b = 0; b < kBones; ++b) {
        XAnimation a;
        a.frameName = "Bone" + std::to_string(b);
        for (int k = 0; k < kKeys; ++k) {
            const float half = 0.05f * std::sin(k * 0.2f + b * 0.5f);
            const std::uint32_t time = std::uint32_t(k * 160);
            a.rotationKeys.push_back({time, std::cos(half), 0.0f, std::sin(half), 0.0f});
            a.positionKeys.push_back({time, {0.0f, 0.0f, b == 0 ? 0.0f : step}});
        }
        set.animations.push_back(a);
    }
    s.animationSets.push_back(set);
    return s;
}

const std::string& fish_text() {
    static const std::string text = test::write_xfile(fish_scene());
    return text;
}

struct Scene {
    test::NullDevice device;
    ResourceRegistry registry;
    MeshLoadContext context;
    Scene() {
        context.device = &device;
        context.caps.maxVertexBlendMatrices = 4;
        context.registry = &registry;
    }
};

void BM_LoadFishFromText(benchmark::State& state) {
    Scene scene;
    const std::string& text = fish_text();
    for (auto _ : state) {
        MeshResource mesh;
        if (load_mesh_from_memory(mesh, text.data(), text.size(), "object\\fish1.pak", scene.context) != kOk)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(mesh.rootFrame);
    }
    state.counters["text_bytes"] = double(text.size());
}

void BM_BuildFishFromReadFile(benchmark::State& state) {
    Scene scene;
    XFileScene file;
    const std::string& text = fish_text();
    if (read_xfile(text.data(), text.size(), &file) != kOk) state.SkipWithError("read failed");
    for (auto _ : state) {
        MeshResource mesh;
        if (load_mesh_from_scene(mesh, file, "object\\fish1.pak", scene.context) != kOk)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(mesh.rootFrame);
    }
}

// One pass of the tank for ten fish: each body advances (world matrix, animation, frames) and
// is drawn with its object's states, as tank_animate and render_frame do.
void BM_AdvanceAndDrawTenFish(benchmark::State& state) {
    Scene scene;
    const std::string& text = fish_text();
    constexpr int kFish = 10;
    std::unique_ptr<MeshResource> meshes[kFish];
    SceneObject bodies[kFish];
    FishMeshHooks hooks;
    for (int i = 0; i < kFish; ++i) {
        meshes[i] = std::make_unique<MeshResource>();
        if (load_mesh_from_memory(*meshes[i], text.data(), text.size(), "object\\fish1.pak", scene.context) != kOk)
            state.SkipWithError("load failed");
        bodies[i].attach_mesh(meshes[i].get(), &hooks);
        bodies[i].set_position(float(i * 10 - 50), float(i % 3) * 5, 0);
        set_motion_time(*meshes[i], 0.1 * i);
    }
    for (auto _ : state) {
        for (int i = 0; i < kFish; ++i) {
            bodies[i].rotate_by(0.0f, 0.01f, 0.0f);
            bodies[i].advance_object(1.0f / 60, nullptr, &hooks);
            draw_scene_object(bodies[i], scene.device, &hooks);
        }
    }
    const MeshContainer* c = meshes[0]->rootFrame->firstChild->firstContainer;
    state.counters["groups_per_fish"] = c ? double(c->attributeGroupCount) : 0.0;
    state.counters["device_calls"] = double(scene.device.calls) / double(state.iterations());
}

BENCHMARK(BM_LoadFishFromText)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_BuildFishFromReadFile)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_AdvanceAndDrawTenFish)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace brine
