// Advancing and drawing a skinned mesh allocate nothing: the global allocation functions are
// replaced for the whole test program (allocation_counter.cpp) by ones that count while a window
// is open.
#include <gtest/gtest.h>

#include "fish/fish_mesh_hooks.h"
#include "render/scene_object.h"
#include "tests/unit/fish/allocation_counter.h"
#include "tests/unit/fish/mesh_test_util.h"

namespace brine {
namespace {

using test::allocations_during;

TEST(MeshAllocation, TheCounterSeesAllocations) {
    static int* volatile kept;
    EXPECT_EQ(allocations_during([] {
                  kept = new int[100];
                  delete[] kept;
              }),
              1);
}

// Two sets, bones over two frames, a plain container beside the skinned one.
XFileScene animated_fish() {
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()},
                                    {"Spine", 0, matrix_translation(0, 1, 0)},
                                    {"Tail", 1, matrix_translation(0, 0, 2)},
                                    {"Eye", 0, matrix_identity()}});
    XMesh body;
    for (int v = 0; v < 30; ++v) body.positions.push_back({float(v % 5), float(v / 5), float(v % 3)});
    for (std::uint32_t t = 0; t + 2 < 30; t += 3) mtest::add_triangle(body, t, t + 1, t + 2);
    std::vector<std::uint32_t> vs;
    std::vector<float> w1, w2;
    for (std::uint32_t v = 0; v < 30; ++v) vs.push_back(v), w1.push_back(float(v) / 29), w2.push_back(1 - float(v) / 29);
    body.bones = {mtest::bone("Spine", vs, w1), mtest::bone("Tail", vs, w2)};
    XMaterial m;
    m.textureFile = "fish.dds";
    body.materials = {m, XMaterial{}};
    body.faceMaterials.assign(10, 0);
    body.faceMaterials[9] = 1;
    s.frames[1].meshes.push_back(body);
    XMesh eye;
    eye.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    mtest::add_triangle(eye, 0, 1, 2);
    s.frames[3].meshes.push_back(eye);
    s.ticksPerSecond = 30;
    XAnimation a;
    a.frameName = "Tail";
    a.rotationKeys = {{0, 1, 0, 0, 0}, {15, 0.9f, 0, 0.43589f, 0}, {30, 1, 0, 0, 0}};
    a.positionKeys = {{0, {0, 0, 2}}, {30, {0, 0.5f, 2}}};
    XAnimationSet swim, rest;
    swim.animations = {a};
    a.frameName = "Spine";
    rest.animations = {a};
    s.animationSets = {swim, rest};
    return s;
}

TEST(MeshAllocation, AdvancingAndDrawingAllocateNothing) {
    test::NullDevice device;
    ResourceRegistry registry;
    MeshLoadContext context;
    context.device = &device;
    context.caps.maxVertexBlendMatrices = 1;  // some groups go to the software pass
    context.registry = &registry;
    const std::string text = test::write_xfile(animated_fish());
    MeshResource mesh;
    ASSERT_EQ(load_mesh_from_memory(mesh, text.data(), text.size(), "fish.pak", context), kOk);
    ASSERT_LT(mtest::first_container(mesh)->softwareSplit, mtest::first_container(mesh)->attributeGroupCount);

    FishMeshHooks hooks;
    MeshHooks& seam = hooks;
    SceneObject body;
    body.attach_mesh(&mesh, &seam);
    const std::uint64_t callsBefore = device.calls;
    const long made = allocations_during([&] {
        for (int pass = 0; pass < 200; ++pass) {
            if (pass % 50 == 0) {
                select_motion(mesh, std::uint32_t(pass / 50) % 2);
                set_motion_time(mesh, 0.25);
            }
            body.rotate_by(0.01f, 0.02f, 0.0f);
            body.advance_object(1.0f / 60, nullptr, &seam);
            seam.set_mesh_overrides(mesh, pass % 2 == 1, pass % 3 == 1);
            draw_scene_object(body, device, &seam);
        }
    });
    EXPECT_EQ(made, 0);
    EXPECT_GT(device.calls, callsBefore + 200 * 10);  // it did draw
    EXPECT_GT(get_motion_time(mesh), 0.25);
}

}  // namespace
}  // namespace brine
