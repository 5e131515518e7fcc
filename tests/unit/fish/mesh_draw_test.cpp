// Drawing a skinned mesh, checked by the calls it makes on a recording device: blend matrices
// (bone offset x frame), VERTEXBLEND, material and texture only when the material changes, the
// two drawFlags bits, the software pass for groups beyond the device's blend matrices, bone
// groups without bones, plain containers, and the combined matrices of the hierarchy.
#include <gtest/gtest.h>

#include "fish/fish_mesh_hooks.h"
#include "render/scene_object.h"
#include "tests/unit/fish/mesh_test_util.h"

namespace brine {
namespace {

using test::format_matrix;
using test::label_of;

// Root > Body (the mesh) and Root > B0..B3, each bone frame turned and moved differently.
// Four separate triangles, materials 0, 0, 1, 1 (0 textured), on bones {0,1}, {2,3}, {0},
// {1,2,3}: the groups are [0 1 -], [2 3 -] (material 0), [0 - -], [1 2 3] (material 1).
XFileScene four_groups() {
    std::vector<mtest::FrameSpec> frames = {{"Root", -1, matrix_identity()}, {"Body", 0, matrix_identity()}};
    for (int b = 0; b < 4; ++b)
        frames.push_back({"B" + std::to_string(b), 0,
                          matrix_multiply(matrix_rotation_z(0.3f * float(b + 1)), matrix_translation(float(b), 1, 0))});
    XFileScene s = mtest::scene_of(frames);
    XMesh m;
    for (int v = 0; v < 12; ++v) m.positions.push_back({float(v), float(v % 2), 0});
    for (std::uint32_t t = 0; t < 4; ++t) mtest::add_triangle(m, t * 3, t * 3 + 1, t * 3 + 2);
    m.normals = {{0, 0, -1}};
    m.faceNormalIndices.assign(12, 0);
    m.faceMaterials = {0, 0, 1, 1};
    XMaterial body;
    body.diffuse[0] = 1;
    body.power = 8;
    body.textureFile = "body.bmp";
    XMaterial fin;
    fin.diffuse[2] = 1;
    fin.emissive[1] = 0.25f;
    m.materials = {body, fin};
    const Matrix offsets[4] = {matrix_translation(0, -1, 0), matrix_rotation_x(0.5f), matrix_scaling(2, 1, 1),
                               matrix_translation(0, 0, 3)};
    m.bones = {mtest::bone("B0", {0, 2, 6, 7, 8}, {1, 0.5f, 1, 1, 1}, offsets[0]),
               mtest::bone("B1", {1, 2, 9}, {1, 0.5f, 1}, offsets[1]),
               mtest::bone("B2", {3, 5, 10}, {1, 1, 1}, offsets[2]),
               mtest::bone("B3", {4, 11}, {1, 1}, offsets[3])};
    s.frames[1].meshes.push_back(m);
    return s;
}

// The calls one test expects, written with the recording device's own formatting.
class Expected {
public:
    explicit Expected(const MeshResource& mesh) : c_(*mtest::first_container(mesh)) {}

    void blend_matrix(std::uint32_t slot, std::uint32_t bone) {
        add("set_transform(" + (slot ? "WORLDMATRIX(" + std::to_string(slot) + ")" : std::string("WORLD")) + ", " +
            format_matrix(matrix_multiply(c_.boneOffsets[bone], *c_.boneMatrixPointers[bone])) + ")");
    }
    void blend(std::uint32_t n) { add("set_render_state(VERTEXBLEND, " + std::to_string(n) + ")"); }
    void material(std::uint32_t i) {
        scratch_.log().clear();
        scratch_.set_material(c_.materials[i].material);
        add(scratch_.log().texts().front());
    }
    void texture(const std::string& label) { add("set_texture(0, " + label + ")"); }
    void software(bool on) { add(std::string("set_software_vertex_processing(") + (on ? "1" : "0") + ")"); }
    void draw(std::uint32_t g) {
        const AttributeRange& r = c_.mesh->attributeTable.at(g);
        char fvf[16];
        std::snprintf(fvf, sizeof fvf, "0x%X", c_.mesh->fvf());
        add(std::string("set_fvf(") + fvf + ")");
        add("set_stream_source(" + label_of(c_.mesh->vertexBuffer) + ", " + std::to_string(c_.mesh->stride()) + ")");
        add("set_indices(" + label_of(c_.mesh->indexBuffer) + ")");
        add("draw_indexed_primitive(4, 0, " + std::to_string(r.vertexStart) + ", " + std::to_string(r.vertexCount) +
            ", " + std::to_string(r.faceStart * 3) + ", " + std::to_string(r.faceCount) + ")");
    }
    void add(const std::string& call) { calls.push_back(call); }

    std::vector<std::string> calls;

private:
    const MeshContainer& c_;
    test::RecordingDevice scratch_;
};

class SkinnedDraw : public ::testing::Test {
protected:
    void load(std::uint32_t maxBlend) {
        bench.context.caps.maxVertexBlendMatrices = maxBlend;
        ASSERT_EQ(bench.load(mesh, four_groups()), kOk);
        c = mtest::first_container(mesh);
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c->attributeGroupCount, 4u);
        ASSERT_EQ(c->maxFaceInfluences, 3u);
        hooks.advance_mesh(mesh, 0.0f, matrix_translation(5, 6, 7));
        bench.device.log().clear();
    }
    std::vector<std::string> draw(bool keepMaterial, bool keepTexture) {
        hooks.set_mesh_overrides(mesh, keepMaterial, keepTexture);
        bench.device.log().clear();
        EXPECT_EQ(hooks.draw_mesh(bench.device, mesh), kOk);
        return bench.device.log().texts();
    }

    mtest::MeshBench bench;
    MeshResource mesh;
    MeshContainer* c = nullptr;
    FishMeshHooks hooks;
};

TEST_F(SkinnedDraw, HardwareGroupsThenTheSoftwarePassSettingMaterialsOnlyOnChange) {
    load(2);
    EXPECT_EQ(c->softwareSplit, 3u);
    EXPECT_TRUE(c->mesh->options & kMeshSoftwareProcessing);
    Expected e(mesh);
    e.blend_matrix(0, 0), e.blend_matrix(1, 1), e.blend(1), e.material(0), e.texture("tex:body.bmp"), e.draw(0);
    e.blend_matrix(0, 2), e.blend_matrix(1, 3), e.blend(1), e.draw(1);  // same material: nothing set
    e.blend_matrix(0, 0), e.blend(0), e.material(1), e.texture("null"), e.draw(2);
    e.software(true);
    e.blend_matrix(0, 1), e.blend_matrix(1, 2), e.blend_matrix(2, 3), e.blend(2);
    e.material(1), e.texture("null"), e.draw(3);  // the software pass starts afresh
    e.software(false);
    e.blend(0);
    EXPECT_EQ(draw(false, false), e.calls);
}

TEST_F(SkinnedDraw, DrawFlagsKeepTheObjectsMaterialAndTexture) {
    load(2);
    std::vector<std::string> both = draw(true, true);
    EXPECT_EQ(bench.device.log().count("set_material"), 0);
    EXPECT_EQ(bench.device.log().count("set_texture"), 0);
    EXPECT_EQ(bench.device.log().count("draw_indexed_primitive"), 4);

    draw(true, false);
    EXPECT_EQ(bench.device.log().count("set_material"), 0);
    EXPECT_EQ(bench.device.log().count("set_texture"), 3);
    draw(false, true);
    EXPECT_EQ(bench.device.log().count("set_material"), 3);
    EXPECT_EQ(bench.device.log().count("set_texture"), 0);
    EXPECT_EQ(mesh.drawFlags, std::uint32_t(kMeshKeepTexture));
}

TEST_F(SkinnedDraw, ADeviceWithoutBlendMatricesDrawsEveryGroupInSoftware) {
    load(0);
    EXPECT_EQ(c->softwareSplit, 0u);
    Expected e(mesh);
    e.software(true);
    e.blend_matrix(0, 0), e.blend_matrix(1, 1), e.blend(1), e.material(0), e.texture("tex:body.bmp"), e.draw(0);
    e.blend_matrix(0, 2), e.blend_matrix(1, 3), e.blend(1), e.draw(1);
    e.blend_matrix(0, 0), e.blend(0), e.material(1), e.texture("null"), e.draw(2);
    e.blend_matrix(0, 1), e.blend_matrix(1, 2), e.blend_matrix(2, 3), e.blend(2), e.draw(3);
    e.software(false);
    e.blend(0);
    EXPECT_EQ(draw(false, false), e.calls);
}

TEST_F(SkinnedDraw, AFullDeviceNeedsNoSoftwarePass) {
    load(4);
    EXPECT_EQ(c->softwareSplit, 4u);
    EXPECT_FALSE(c->mesh->options & kMeshSoftwareProcessing);
    draw(false, false);
    EXPECT_EQ(bench.device.log().count("set_software_vertex_processing"), 0);
    EXPECT_EQ(bench.device.log().count("draw_indexed_primitive"), 4);
}

TEST_F(SkinnedDraw, BlendedPositionsFollowTheBonesUnderTheWorldMatrix) {
    load(4);
    draw(false, false);
    // Every vertex here hangs on its bones with weights summing to one, so each bone moves
    // the vertex by offset x combined; combined includes the world matrix given to advance.
    const XFileScene scene = four_groups();
    const XMesh& x = scene.frames[1].meshes[0];
    for (const mtest::DrawnVertex& d : mtest::replay_blend(bench.device.log(), *c->mesh)) {
        const Vec3 p{x.positions[d.pointRep].x, x.positions[d.pointRep].y, x.positions[d.pointRep].z};
        Vec3 expected{0, 0, 0};
        for (std::uint32_t b = 0; b < 4; ++b) {
            const XBone& xb = x.bones[b];
            for (std::size_t k = 0; k < xb.vertices.size(); ++k) {
                if (xb.vertices[k] != d.pointRep) continue;
                const Matrix bone = matrix_multiply(c->boneOffsets[b], *c->boneMatrixPointers[b]);
                expected = vec3_add(expected, vec3_scale(vec3_transform_coord(p, bone), xb.weights[k]));
            }
        }
        mtest::expect_vec_near(d.position, expected, 1e-4f);
    }
    // The combined matrix of a bone frame is its own matrix under the world matrix.
    mtest::expect_matrix_near(mtest::frame_named(mesh, "B2")->combined,
                              matrix_multiply(mtest::matrix_of(four_groups().frames[4].transform),
                                              matrix_translation(5, 6, 7)),
                              1e-5f);
}

TEST(SkinnedDrawUnbound, AGroupWithoutBonesSetsNoMatrixAndBlendsWithNone) {
    mtest::MeshBench bench;
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()}, {"Bone", 0, matrix_translation(1, 0, 0)}});
    XMesh m;
    for (int v = 0; v < 6; ++v) m.positions.push_back({float(v), 1, 0});
    mtest::add_triangle(m, 0, 1, 2);
    mtest::add_triangle(m, 3, 4, 5);
    m.bones = {mtest::bone("Bone", {0, 1, 2}, {1, 1, 1})};  // the second face hangs on nothing
    s.frames[0].meshes.push_back(m);
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    MeshContainer* c = mtest::first_container(mesh);
    ASSERT_EQ(c->attributeGroupCount, 2u);
    EXPECT_EQ(c->boneCombinations->groups[1].boneId[0], kNoBone);

    bench.device.log().clear();
    draw_skinned_mesh(bench.device, mesh);
    const std::vector<std::string> calls =
        bench.device.log().texts_without({"set_fvf", "set_stream_source", "set_indices", "set_material", "set_texture"});
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].rfind("set_transform(WORLD, ", 0), 0u);
    EXPECT_EQ(calls[1], "set_render_state(VERTEXBLEND, 0)");
    EXPECT_EQ(calls[2].rfind("draw_indexed_primitive(", 0), 0u);
    EXPECT_EQ(calls[3], "set_render_state(VERTEXBLEND, 0)");  // the unbound group: no matrix
    EXPECT_EQ(calls[4].rfind("draw_indexed_primitive(", 0), 0u);
    EXPECT_EQ(calls[5], "set_render_state(VERTEXBLEND, 0)");
    EXPECT_EQ(bench.device.log().count("set_material"), 1);  // one material, set once
}

TEST(PlainDraw, EachMaterialUnderTheFramesCombinedMatrix) {
    mtest::MeshBench bench;
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_translation(0, 0, 9)}, {"Rock", 0, matrix_scaling(2, 2, 2)}});
    XMesh m;
    m.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
    m.faceSizes = {4};
    m.faceIndices = {0, 1, 3, 2};
    m.faceMaterials = {1};
    XMaterial unused, used;
    unused.textureFile = "moss.bmp";
    used.diffuse[1] = 0.75f;
    m.materials = {unused, used};
    s.frames[1].meshes.push_back(m);
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    const MeshContainer& c = *mtest::first_container(mesh);
    EXPECT_EQ(c.skinInfo, nullptr);
    advance_motion(mesh, 0.5, matrix_identity());

    bench.device.log().clear();
    draw_skinned_mesh(bench.device, mesh);
    test::RecordingDevice scratch;
    scratch.set_transform(kTsWorld, matrix_multiply(matrix_scaling(2, 2, 2), matrix_translation(0, 0, 9)));
    scratch.set_material(c.materials[0].material);
    scratch.set_material(c.materials[1].material);
    const std::vector<std::string> formatted = scratch.log().texts();
    // Material 0 has no faces: set, but nothing drawn; material 1 draws the quad's two halves.
    const std::vector<std::string> expected = {
        formatted[0],
        formatted[1],
        "set_texture(0, tex:moss.bmp)",
        formatted[2],
        "set_texture(0, null)",
        "set_fvf(0x12)",  // XYZ and the computed NORMAL
        "set_stream_source(" + label_of(c.mesh->vertexBuffer) + ", 24)",
        "set_indices(" + label_of(c.mesh->indexBuffer) + ")",
        "draw_indexed_primitive(4, 0, 0, 4, 0, 2)",
    };
    EXPECT_EQ(bench.device.log().texts(), expected);
}

}  // namespace
}  // namespace brine
