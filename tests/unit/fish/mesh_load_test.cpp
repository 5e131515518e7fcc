// Loading a skinned mesh: geometry (fans, vertices split by normals, computed normals),
// materials and their textures through the registry, bones resolved by frame name, the
// bounding sphere, the table of animation sets, packs and loose files, failures that leave the
// mesh empty, and the X files of Debian's assimp test models.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include <filesystem>

#include "data/pack_file.h"
#include "data/pack_writer.h"
#include "fish/fish_mesh_hooks.h"
#include "tests/support/scratch_dir.h"
#include "tests/unit/fish/mesh_test_util.h"

namespace brine {
namespace {

using mtest::MeshBench;

Vec3 normal_of(const MeshGeometry& m, std::uint32_t v) {
    const float* d = m.vertex(v) + m.layout.normal;
    return {d[0], d[1], d[2]};
}

// The vertex made from file position p (the first, when there are several).
std::uint32_t vertex_from(const MeshGeometry& m, std::uint32_t p) {
    for (std::uint32_t v = 0; v < m.vertex_count(); ++v)
        if (m.pointReps[v] == p) return v;
    ADD_FAILURE() << "no vertex from position " << p;
    return 0;
}

XFileScene one_mesh(const XMesh& m) {
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()}});
    s.frames[0].meshes.push_back(m);
    return s;
}

// A triangle with one material per name given ("" for none).
XMesh textured_triangle(const std::vector<std::string>& textures) {
    XMesh m;
    m.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    mtest::add_triangle(m, 0, 1, 2);
    for (const std::string& t : textures) {
        XMaterial mat;
        mat.textureFile = t;
        m.materials.push_back(mat);
    }
    m.faceMaterials = {0};
    return m;
}

std::size_t registry_size(const ResourceRegistry& r) {
    std::size_t n = 0;
    for (const ResourceNode* e = r.head(); e; e = e->next) ++n;
    return n;
}

TEST(MeshGeometryLoad, PolygonsBecomeFansAndShortFacesVanish) {
    XMesh m;
    for (int i = 0; i < 5; ++i) m.positions.push_back({std::cos(float(i)), std::sin(float(i)), 0});
    m.faceSizes = {5, 2, 3};
    m.faceIndices = {0, 1, 2, 3, 4, 0, 1, 4, 3, 2};
    MeshGeometry g;
    ASSERT_EQ(build_mesh_geometry(m, &g), kOk);
    EXPECT_EQ(g.indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 4, 3, 2}));
    EXPECT_EQ(g.fvf(), std::uint32_t(kFvfXyz));
}

TEST(MeshGeometryLoad, ACornerWithAnotherNormalGetsAVertexOfItsOwn) {
    // Two faces of a fold share the edge 1-2 but not its normals.
    XMesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}};
    m.faceSizes = {3, 3};
    m.faceIndices = {0, 1, 2, 1, 3, 2};
    m.normals = {{0, 0, -1}, {0.5f, 0, -0.5f}};
    m.faceNormalIndices = {0, 0, 0, 1, 1, 1};
    m.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    m.faceMaterials = {1, 0};
    MeshGeometry g;
    ASSERT_EQ(build_mesh_geometry(m, &g), kOk);
    EXPECT_EQ(g.vertex_count(), 6u);
    EXPECT_EQ(g.fvf(), std::uint32_t(kFvfXyz | kFvfNormal | kFvfTex1));
    // Faces sorted by material: the second face (material 0) comes first.
    ASSERT_EQ(g.attributeTable.size(), 2u);
    EXPECT_EQ(g.attributeTable[0].attribId, 0u);
    EXPECT_EQ(g.faceAttributes, (std::vector<std::uint32_t>{0, 1}));
    const std::uint32_t first = g.indices[3];  // position 0 of the material-1 face
    EXPECT_EQ(g.pointReps[first], 0u);
    mtest::expect_vec_near(normal_of(g, first), {0, 0, -1}, 0);
    const float* uv = g.vertex(g.indices[1]) + g.layout.texcoord;  // position 3
    EXPECT_EQ(uv[0], 0.0f);
    EXPECT_EQ(uv[1], 1.0f);
    // The fold's edge is shared in the adjacency although its vertices were split.
    std::vector<std::uint32_t> adjacency = generate_adjacency(g);
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.end(), 0u), 1);
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.end(), 1u), 1);
}

TEST(MeshLoad, AMeshWithoutNormalsGetsAngleWeightedOnes) {
    // Position 0 is the corner of a right angle in the plane z = 0 (normal -z) and of a
    // 45-degree angle in the plane x = 0 (normal -x): weighted by angle, 2:1 towards -z.
    XMesh m;
    m.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}};
    mtest::add_triangle(m, 0, 1, 2);
    mtest::add_triangle(m, 0, 3, 4);
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, one_mesh(m)), kOk);
    const MeshGeometry& g = *mtest::first_container(mesh)->mesh;
    ASSERT_TRUE(g.fvf() & kFvfNormal);
    const float s5 = std::sqrt(5.0f);
    mtest::expect_vec_near(normal_of(g, vertex_from(g, 0)), {-1 / s5, 0, -2 / s5}, 1e-6f);
    mtest::expect_vec_near(normal_of(g, vertex_from(g, 1)), {0, 0, -1}, 1e-6f);
    mtest::expect_vec_near(normal_of(g, vertex_from(g, 3)), {-1, 0, 0}, 1e-6f);
}

TEST(MeshLoad, AMeshWithoutMaterialsIsMidGrey) {
    XMesh m = textured_triangle({});
    m.faceMaterials.clear();
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, one_mesh(m)), kOk);
    const MeshContainer& c = *mtest::first_container(mesh);
    ASSERT_EQ(c.materialCount, 1u);
    const Material& grey = c.materials[0].material;
    const float expected[5][4] = {{0.5f, 0.5f, 0.5f, 0}, {0, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 0}, {0, 0, 0, 0}};
    const ColorValue* colours[4] = {&grey.diffuse, &grey.ambient, &grey.specular, &grey.emissive};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(colours[i]->r, expected[i][0]) << i;
        EXPECT_EQ(colours[i]->g, expected[i][1]) << i;
        EXPECT_EQ(colours[i]->b, expected[i][2]) << i;
        EXPECT_EQ(colours[i]->a, expected[i][3]) << i;
    }
    EXPECT_EQ(grey.power, 0.0f);
    EXPECT_EQ(c.textures[0], nullptr);
    EXPECT_TRUE(bench.registry.empty());
}

TEST(MeshLoad, FileMaterialsGetAnOpaqueBlackAmbientAndOpaqueSpecularAndEmissive) {
    XMesh m = textured_triangle({""});
    XMaterial& x = m.materials[0];
    x.diffuse[0] = 0.25f, x.diffuse[3] = 0.5f, x.power = 12, x.specular[1] = 0.75f, x.emissive[2] = 0.125f;
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, one_mesh(m)), kOk);
    const Material& got = mtest::first_container(mesh)->materials[0].material;
    EXPECT_EQ(got.diffuse.r, 0.25f);
    EXPECT_EQ(got.diffuse.a, 0.5f);
    EXPECT_EQ(got.ambient.r, 0.0f);
    EXPECT_EQ(got.ambient.a, 1.0f);
    EXPECT_EQ(got.specular.g, 0.75f);
    EXPECT_EQ(got.specular.a, 1.0f);
    EXPECT_EQ(got.emissive.b, 0.125f);
    EXPECT_EQ(got.emissive.a, 1.0f);
    EXPECT_EQ(got.power, 12.0f);
    EXPECT_EQ(mtest::first_container(mesh)->materials[0].textureFilename, nullptr);
}

TEST(MeshTextures, TwoMeshesOfOneKindLoadEachTextureOnce) {
    MeshBench bench;
    const XFileScene scene = one_mesh(textured_triangle({"body.dds", "fin.dds", "body.dds", ""}));
    MeshResource first, second;
    ASSERT_EQ(bench.load(first, scene, "object\\fish3.pak"), kOk);
    ASSERT_EQ(bench.load(second, scene, "object\\fish3.pak"), kOk);

    const auto& calls = mtest::texture_log().calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].entry, "body.dds");
    EXPECT_EQ(calls[0].path, "object\\fish3.pak");
    EXPECT_EQ(calls[0].member, "body.dds");
    EXPECT_FALSE(calls[0].renderTarget);
    EXPECT_EQ(calls[0].mipLevels, kD3DXDefault);
    EXPECT_EQ(calls[0].format, std::uint32_t(kFmtDxt5));
    EXPECT_EQ(calls[1].member, "fin.dds");
    EXPECT_EQ(registry_size(bench.registry), 2u);

    const MeshContainer& a = *mtest::first_container(first);
    const MeshContainer& b = *mtest::first_container(second);
    ASSERT_NE(a.textures[0], nullptr);
    EXPECT_EQ(a.textures[0], b.textures[0]);
    EXPECT_EQ(a.textures[1], b.textures[1]);
    EXPECT_EQ(a.textures[2], a.textures[0]);
    EXPECT_EQ(a.textures[3], nullptr);
    EXPECT_EQ(test::label_of(a.textures[1]), "tex:fin.dds");
    EXPECT_EQ(static_cast<TextureResource*>(bench.registry.find_resource("fin.dds"))->texture, a.textures[1]);
}

TEST(MeshTextures, AFailedTextureLeavesAnEmptyEntryThatLaterMeshesReuse) {
    MeshBench bench;
    mtest::texture_log().fail = true;
    const XFileScene scene = one_mesh(textured_triangle({"gone.dds"}));
    MeshResource first, second;
    ASSERT_EQ(bench.load(first, scene), kOk);  // a missing texture is no failure
    mtest::texture_log().fail = false;
    ASSERT_EQ(bench.load(second, scene), kOk);
    EXPECT_EQ(mtest::texture_log().calls.size(), 1u);
    auto* entry = static_cast<TextureResource*>(bench.registry.find_resource("gone.dds"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->texture, nullptr);
    EXPECT_EQ(mtest::first_container(first)->textures[0], nullptr);
    EXPECT_EQ(mtest::first_container(second)->textures[0], nullptr);
}

TEST(MeshTextures, WithoutALoaderEntriesAreRegisteredEmpty) {
    MeshBench bench;
    bench.context.loadTexture = nullptr;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, one_mesh(textured_triangle({"later.dds"}))), kOk);
    ASSERT_NE(bench.registry.find_resource("later.dds"), nullptr);
    EXPECT_EQ(mtest::first_container(mesh)->textures[0], nullptr);
}

TEST(MeshTextures, NamesThatDoNotFitAnEntryGetNoTexture) {
    MeshBench bench;
    const std::string fits(31, 'a'), tooLong(32, 'b');
    FontResource* font = create_resource<FontResource>("font.dds");
    ASSERT_TRUE(bench.registry.append_resource(font));
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, one_mesh(textured_triangle({fits, tooLong, "font.dds"}))), kOk);
    const MeshContainer& c = *mtest::first_container(mesh);
    EXPECT_NE(c.textures[0], nullptr);
    EXPECT_EQ(c.textures[1], nullptr);
    EXPECT_EQ(c.textures[2], nullptr);  // the name belongs to a font
    ASSERT_EQ(mtest::texture_log().calls.size(), 1u);
    EXPECT_EQ(mtest::texture_log().calls[0].entry, fits);
    EXPECT_EQ(registry_size(bench.registry), 2u);
}

TEST(MeshTextures, ALooseMeshNamesItsTexturesAsLooseFiles) {
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, one_mesh(textured_triangle({"rock.bmp"})), nullptr), kOk);
    EXPECT_TRUE(mesh.texturePack.empty());
    ASSERT_EQ(mtest::texture_log().calls.size(), 1u);
    EXPECT_EQ(mtest::texture_log().calls[0].path, "rock.bmp");
    EXPECT_EQ(mtest::texture_log().calls[0].member, "(null)");
}

// --- bones, bounds, sets ---

XFileScene skinned_pair(const std::string& secondBone) {
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()},
                                    {"Spine", 0, matrix_translation(0, 1, 0)},
                                    {"Tail", 1, matrix_translation(0, 0, 2)}});
    XMesh m = textured_triangle({});
    m.bones = {mtest::bone("Spine", {0, 1}, {1, 1}), mtest::bone(secondBone, {2}, {1})};
    s.frames[0].meshes.push_back(m);
    return s;
}

TEST(MeshBones, EachBonePointsAtTheCombinedMatrixOfItsFrame) {
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, skinned_pair("Tail")), kOk);
    const MeshContainer& c = *mtest::first_container(mesh);
    ASSERT_EQ(c.boneMatrixPointers.size(), 2u);
    EXPECT_EQ(c.boneMatrixPointers[0], &mtest::frame_named(mesh, "Spine")->combined);
    EXPECT_EQ(c.boneMatrixPointers[1], &mtest::frame_named(mesh, "Tail")->combined);
    ASSERT_EQ(c.boneOffsets.size(), 2u);
    mtest::expect_matrix_near(c.boneOffsets[1], matrix_identity(), 0);
    ASSERT_NE(c.sourceMesh, nullptr);
    EXPECT_EQ(c.sourceMesh->vertex_count(), 3u);
    EXPECT_FALSE(c.sourceMesh->uploaded());  // never drawn
    EXPECT_TRUE(c.mesh->uploaded());
    EXPECT_EQ(c.adjacency.size(), 3u);
}

TEST(MeshBones, ABoneWithoutItsFrameFailsTheLoadAndLeavesNothingBehind) {
    MeshBench bench;
    MeshResource mesh;
    EXPECT_EQ(bench.load(mesh, skinned_pair("Ghost")), kFail);
    EXPECT_EQ(mesh.rootFrame, nullptr);
    EXPECT_TRUE(mesh.frameOrder.empty());
    EXPECT_TRUE(mesh.texturePack.empty());
    EXPECT_EQ(bench.device.recorder().live_objects(), 0) << ::testing::PrintToString(bench.device.recorder().leaked());
}

TEST(MeshBones, ADeviceFailureIsPassedOnAndReleasesWhatWasMade) {
    MeshBench bench;
    bench.device.failures().fail("create_index_buffer", kOutOfMemory);
    MeshResource mesh;
    EXPECT_EQ(bench.load(mesh, skinned_pair("Tail")), kOutOfMemory);
    EXPECT_EQ(mesh.rootFrame, nullptr);
    EXPECT_EQ(bench.device.recorder().live_objects(), 0);
}

TEST(MeshBones, LoadingAgainReleasesTheEarlierMesh) {
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, skinned_pair("Tail")), kOk);
    ASSERT_EQ(bench.load(mesh, skinned_pair("Tail")), kOk);
    EXPECT_EQ(bench.device.recorder().live_objects(), 2);  // one vertex and one index buffer
    release_mesh_resource(&mesh);
    release_mesh_resource(&mesh);
    EXPECT_EQ(bench.device.recorder().live_objects(), 0);
    EXPECT_EQ(bench.device.recorder().over_released(), 0);
}

TEST(MeshBounds, CentroidAndFarthestVertexUnderTheFramesMatrix) {
    XMesh m;
    m.positions = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}};
    mtest::add_triangle(m, 0, 1, 2);
    mtest::add_triangle(m, 0, 2, 3);
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_translation(10, 0, 0)}, {"Rock", 0, matrix_scaling(3, 3, 3)}});
    s.frames[1].meshes.push_back(m);
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    // Centre (0.5, 0.5, 0.5); farthest vertex at distance sqrt(0.25 * 2 + 1.5^2).
    mtest::expect_vec_near(mesh.boundCenter, {11.5f, 1.5f, 1.5f}, 1e-5f);
    EXPECT_NEAR(mesh.boundRadius, 3 * std::sqrt(2.75f), 1e-5f);
}

TEST(MeshSets, OneSetGivesACountOfOneAndNoTable) {
    XFileScene s = skinned_pair("Tail");
    XAnimation a;
    a.frameName = "Tail";
    a.positionKeys = {{0, {0, 0, 2}}, {100, {0, 0, 3}}};
    XAnimationSet set;
    set.animations = {a};
    s.animationSets = {set};
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    ASSERT_NE(mesh.animController, nullptr);
    EXPECT_EQ(mesh.animationSetCount, 1u);
    EXPECT_EQ(mesh.animationSets, nullptr);

    s.animationSets = {set, set, set};
    ASSERT_EQ(bench.load(mesh, s), kOk);
    EXPECT_EQ(mesh.animationSetCount, 3u);
    ASSERT_NE(mesh.animationSets, nullptr);
    for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(mesh.animationSets[i], mesh.animController->get_animation_set(i));

    s.animationSets.clear();
    ASSERT_EQ(bench.load(mesh, s), kOk);
    EXPECT_EQ(mesh.animController, nullptr);
    EXPECT_EQ(mesh.animationSetCount, 0u);
}

// --- packs, loose files, broken input ---

TEST(MeshFiles, FromAPackMemberOrALooseFile) {
    test::ScratchDir dir;
    const std::string text = test::write_xfile(skinned_pair("Tail"));
    const std::string pack = dir.file("fish1.pak");
    ASSERT_EQ(write_pack_file(pack, {{"kingyo.x", std::vector<unsigned char>(text.begin(), text.end())}}, nullptr), kOk);
    {
        std::ofstream loose(dir.file("loose.x"), std::ios::binary);
        loose << text;
    }
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(load_mesh(mesh, pack.c_str(), "kingyo.x", bench.context), kOk);
    EXPECT_EQ(mesh.texturePack, pack);
    ASSERT_EQ(load_mesh(mesh, dir.file("loose.x").c_str(), nullptr, bench.context), kOk);
    EXPECT_TRUE(mesh.texturePack.empty());
    EXPECT_NE(mesh.rootFrame, nullptr);

    EXPECT_EQ(load_mesh(mesh, pack.c_str(), "other.x", bench.context), kFail);
    EXPECT_EQ(mesh.rootFrame, nullptr);
    EXPECT_EQ(load_mesh(mesh, dir.file("none.pak").c_str(), "kingyo.x", bench.context), kFail);
    EXPECT_EQ(load_mesh(mesh, dir.file("none.x").c_str(), nullptr, bench.context), kFail);
}

TEST(MeshFiles, AMalformedFileGivesTheReadersCode) {
    MeshBench bench;
    MeshResource mesh;
    const std::string text = test::write_xfile(skinned_pair("Tail"));
    EXPECT_EQ(bench.load_text(mesh, text.substr(0, text.size() / 2)), kFail);
    EXPECT_EQ(bench.load_text(mesh, "xof 0303txt 0032\n"), kFail);
    EXPECT_EQ(mesh.rootFrame, nullptr);
    EXPECT_EQ(bench.device.recorder().live_objects(), 0);
}

// --- assimp's test models ---

struct Model {
    const char* file;
    std::size_t skinnedContainers;
    std::uint32_t sets;
    bool bindPoseHolds = true;
};

// Loads a model and checks what every loaded mesh must satisfy; skinned containers must blend
// back into their file positions in the bind pose.
void check_model(const std::string& bytes, const Model& model) {
    MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load_text(mesh, bytes), kOk);
    EXPECT_EQ(mesh.animationSetCount, model.sets);
    EXPECT_GT(mesh.boundRadius, 0.0f);

    std::size_t skinned = 0;
    for (MeshFrame* f : mesh.frameOrder) {
        for (MeshContainer* c = f->firstContainer; c; c = c->next) {
            EXPECT_GE(c->materialCount, 1u);
            EXPECT_TRUE(c->mesh->fvf() & kFvfNormal);
            if (!c->skinInfo) continue;
            ++skinned;
            EXPECT_LE(c->maxFaceInfluences, kMaxFaceInfluences);
            for (const BoneCombination& g : c->boneCombinations->groups)
                for (std::uint32_t k = 0; k < c->maxFaceInfluences; ++k)
                    EXPECT_TRUE(g.boneId[k] == kNoBone || g.boneId[k] < c->skinInfo->get_num_bones());
            const MeshGeometry& m = *c->mesh;
            for (std::uint32_t v = 0; v < m.vertex_count(); ++v) {
                float sum = 0;
                for (std::uint32_t w = 0; w < m.layout.weightCount; ++w) {
                    const float weight = m.vertex(v)[m.layout.weights + int(w)];
                    EXPECT_TRUE(weight >= 0.0f && weight <= 1.0f) << weight;
                    sum += weight;
                }
                EXPECT_LE(sum, 1.0f + 1e-5f);
            }
            // Before any animation the frames hold their file matrices, so every bone's
            // offset x combined is the bind transform and the blended skin lies where the
            // file put it (up to the weights the file leaves unnormalised).
            bench.device.log().clear();
            draw_skinned_mesh(bench.device, mesh);
            std::vector<mtest::DrawnVertex> drawn = mtest::replay_blend(bench.device.log(), m);
            ASSERT_FALSE(drawn.empty());
            if (!model.bindPoseHolds) continue;
            std::size_t far = 0;
            for (const mtest::DrawnVertex& d : drawn) {
                const Vec3 source = c->sourceMesh->position(vertex_from(*c->sourceMesh, d.pointRep));
                if (vec3_length(vec3_subtract(d.position, source)) > 1e-3f * mesh.boundRadius) ++far;
            }
            EXPECT_LT(far, drawn.size() / 100 + 1) << "of " << drawn.size();
        }
    }
    EXPECT_EQ(skinned, model.skinnedContainers);
}

class RealModels : public ::testing::TestWithParam<Model> {};

TEST_P(RealModels, LoadAndStandStillInTheirBindPose) {
    std::string bytes;
    if (!mtest::read_model(GetParam().file, &bytes)) GTEST_SKIP() << "assimp-testmodels not installed";
    check_model(bytes, GetParam());
}

// Maya's exporter wrote four bones into this file's skin but only two of their frames (the
// model's own notes say so): a bone without its frame fails the load. With the two missing
// bones renamed to an existing frame everything else in the file loads.
TEST(RealModelAnimTest, NamesBonesItsHierarchyLacks) {
    std::string bytes;
    if (!mtest::read_model("anim_test.x", &bytes)) GTEST_SKIP() << "assimp-testmodels not installed";
    MeshBench bench;
    MeshResource mesh;
    EXPECT_EQ(bench.load_text(mesh, bytes), kFail);
    EXPECT_EQ(mesh.rootFrame, nullptr);
    for (const char* missing : {"\"joint3\"", "\"joint4\""}) {
        const std::size_t at = bytes.find(missing);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, 8, "\"joint2\"");
    }
    check_model(bytes, {"anim_test.x", 1, 1, false});  // renamed bones keep their own offsets
}


// The goldfish this program ships (made by tools/fishgen into the program directory). Their
// frames hold the first key of the first set, not the bind pose; so the first key must give
// those matrices back, and with every bone frame put at its bind pose (the inverse of its
// offset) the blended skin must lie exactly where the file put it. Four blend matrices suffice.
TEST(ShippedFish, KeysAndSkinOfEveryMeshAgreeWithTheFile) {
    namespace fs = std::filesystem;
    const fs::path object = fs::path(BRINE_PROGRAM_DIR) / "object";
    if (!fs::exists(object / "fish1.pak")) GTEST_SKIP() << "the goldfish content has not been built yet";
    int meshes = 0;
    for (const auto& file : fs::directory_iterator(object)) {
        if (file.path().extension() != ".pak") continue;
        std::vector<PackEntry> entries;
        ASSERT_EQ(read_pack_directory(file.path().string().c_str(), &entries), kOk);
        for (const PackEntry& e : entries) {
            const std::string name(e.name, strnlen(e.name, sizeof e.name));
            if (name.size() < 2 || name.compare(name.size() - 2, 2, ".x") != 0) continue;
            SCOPED_TRACE(file.path().filename().string() + " " + name);
            MeshBench bench;
            MeshResource mesh;
            ASSERT_EQ(load_mesh(mesh, file.path().string().c_str(), name.c_str(), bench.context), kOk);
            ++meshes;

            ASSERT_GE(mesh.animationSetCount, 1u);
            const AnimationSet& first = *mesh.animController->get_animation_set(0);
            set_motion_time(mesh, first.tracks().at(0).rotationKeys.at(0).time / mesh.animController->ticks_per_second());
            for (const AnimationTrack& t : first.tracks())
                mtest::expect_matrix_near(t.frame->local, t.restLocal, 1e-4f);

            const MeshContainer& c = *mtest::first_container(mesh);
            ASSERT_NE(c.skinInfo, nullptr);
            EXPECT_EQ(c.softwareSplit, c.attributeGroupCount);
            for (std::uint32_t b = 0; b < c.boneOffsets.size(); ++b) {
                Matrix bind;
                ASSERT_TRUE(matrix_inverse(c.boneOffsets[b], &bind));
                *const_cast<Matrix*>(c.boneMatrixPointers[b]) = bind;
            }
            bench.device.log().clear();
            draw_skinned_mesh(bench.device, mesh);
            const std::vector<mtest::DrawnVertex> drawn = mtest::replay_blend(bench.device.log(), *c.mesh);
            ASSERT_EQ(drawn.size(), std::size_t(c.mesh->face_count()) * 3);
            for (const mtest::DrawnVertex& d : drawn) {
                const Vec3 source = c.sourceMesh->position(vertex_from(*c.sourceMesh, d.pointRep));
                ASSERT_LT(vec3_length(vec3_subtract(d.position, source)), 1e-4f * mesh.boundRadius) << d.pointRep;
            }
        }
    }
    EXPECT_GE(meshes, 3);
}

INSTANTIATE_TEST_SUITE_P(AssimpModels, RealModels,
                         ::testing::Values(Model{"BCN_Epileptic.X", 3, 1}, Model{"Testwuson.X", 1, 3},
                                           Model{"test_cube_text.x", 1, 0}, Model{"test_cube_binary.x", 1, 0},
                                           Model{"test_cube_compressed.x", 1, 0},
                                           Model{"kwxport_test_cubewithvcolors.x", 0, 0}, Model{"test.x", 0, 0},
                                           Model{"fromtruespace_bin32.x", 0, 0}),
                         [](const ::testing::TestParamInfo<Model>& info) {
                             std::string name = info.param.file;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace brine
