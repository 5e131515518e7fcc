// Reading a fish-sized X file: a 5000-vertex skinned mesh with 20 bones, normals, texture
// coordinates and one animation set, generated here in text, binary and compressed form.
#include <benchmark/benchmark.h>

#include <cmath>

#include "fish/xfile_reader.h"
#include "tests/support/xfile_writer.h"

namespace brine {
namespace {

constexpr int kColumns = 50;
constexpr int kRows = 100;  // 5000 vertices
constexpr int kBones = 20;
constexpr int kKeys = 30;

XFileScene fish_scene() {
    XFileScene s;
    s.ticksPerSecond = 4800;
    s.frames.resize(2 + kBones);
    s.frames[0].name = "Root";
    s.frames[0].firstChild = 1;
    s.frames[1].name = "Body";
    s.frames[1].parent = 0;
    s.frames[1].nextSibling = 2;
    for (int b = 0; b < kBones; ++b) {
        XFrame& f = s.frames[2 + b];
        f.name = "Bone" + std::to_string(b);
        f.parent = b == 0 ? 0 : 1 + b;
        f.firstChild = b + 1 < kBones ? 3 + b : -1;
        f.transform.m[12] = 0.5f;
    }

    XMesh m;
    m.name = "BodyMesh";
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            float a = 6.2831853f * c / kColumns;
            m.positions.push_back({std::cos(a) * 3.1f, std::sin(a) * 2.7f, r * 0.1234567f});
            m.normals.push_back({std::cos(a), std::sin(a), 0.0f});
            m.uvs.push_back({c / float(kColumns), r / float(kRows)});
        }
    }
    for (int r = 0; r + 1 < kRows; ++r) {
        for (int c = 0; c + 1 < kColumns; ++c) {
            std::uint32_t v = static_cast<std::uint32_t>(r * kColumns + c);
            for (std::uint32_t i : {v, v + kColumns, v + 1, v + 1, v + kColumns, v + kColumns + 1}) {
                m.faceIndices.push_back(i);
            }
            m.faceSizes.push_back(3);
            m.faceSizes.push_back(3);
        }
    }
    m.faceNormalIndices = m.faceIndices;
    m.faceMaterials.assign(m.faceSizes.size(), 0);
    XMaterial mat;
    mat.textureFile = "kingyo.bmp";
    m.materials.push_back(mat);
    m.skinHeader = {true, 2, 4, kBones};
    m.bones.resize(kBones);
    for (int b = 0; b < kBones; ++b) m.bones[b].frameName = "Bone" + std::to_string(b);
    for (std::uint32_t v = 0; v < m.positions.size(); ++v) {
        int row = static_cast<int>(v) / kColumns;
        int b = row * kBones / kRows;
        float t = float(row * kBones % kRows) / kRows;
        m.bones[b].vertices.push_back(v);
        m.bones[b].weights.push_back(1.0f - t);
        if (b + 1 < kBones) {
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
            float half = 0.1f * std::sin(k * 0.2f + b);
            std::uint32_t time = static_cast<std::uint32_t>(k * 160);
            a.rotationKeys.push_back({time, std::cos(half), 0.0f, std::sin(half), 0.0f});
            a.positionKeys.push_back({time, {0.5f, 0.0f, 0.01f * k}});
        }
        a.scaleKeys.push_back({0, {1, 1, 1}});
        set.animations.push_back(a);
    }
    s.animationSets.push_back(set);
    return s;
}

void read_form(benchmark::State& state, const std::string& file) {
    for (auto _ : state) {
        XFileScene scene;
        HResult r = read_xfile(file.data(), file.size(), &scene);
        if (r != kOk) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(scene.frames.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}

void BM_ReadTextFish(benchmark::State& state) {
    static const std::string file = test::write_xfile(fish_scene());
    read_form(state, file);
}

void BM_ReadBinaryFish(benchmark::State& state) {
    test::XWriteOptions o;
    o.binary = true;
    static const std::string file = test::write_xfile(fish_scene(), o);
    read_form(state, file);
}

void BM_ReadCompressedTextFish(benchmark::State& state) {
    static const std::string file = test::compress_xfile(test::write_xfile(fish_scene()));
    read_form(state, file);
}

BENCHMARK(BM_ReadTextFish)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadBinaryFish)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadCompressedTextFish)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace brine
