// The blended-mesh conversion: positions that a bent two-bone tube reaches through the recorded
// draw and Direct3D's blending formula, against positions worked out by hand; bone groups,
// their bone lists, vertex copies and weights for small hand-made meshes; the software split.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>

#include "fish/fish_mesh_hooks.h"
#include "tests/unit/fish/mesh_test_util.h"

namespace brine {
namespace {

using mtest::DrawnVertex;

constexpr float kHalfSqrt2 = 0.70710678f;

// A square tube along +x: rings of four vertices at x = 0..4. Bone1 (at the origin) holds rings
// 0 and 1, Bone2 (a child of Bone1 at x = 2) rings 3 and 4, ring 2 is shared half and half. The
// one animation set turns Bone2 by 90 degrees about z (the file stores the conjugate
// quaternion: w = cos 45, z = -sin 45). No normals: the loader computes them.
XFileScene bent_tube() {
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()},
                                    {"Body", 0, matrix_identity()},
                                    {"Bone1", 0, matrix_identity()},
                                    {"Bone2", 2, matrix_translation(2, 0, 0)}});
    XMesh m;
    const float ring[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    for (int r = 0; r < 5; ++r)
        for (const auto& yz : ring) m.positions.push_back({float(r), yz[0], yz[1]});
    for (std::uint32_t r = 0; r < 4; ++r) {
        for (std::uint32_t j = 0; j < 4; ++j) {
            const std::uint32_t k = (j + 1) % 4;
            m.faceSizes.push_back(4);
            m.faceIndices.insert(m.faceIndices.end(), {r * 4 + j, r * 4 + k, (r + 1) * 4 + k, (r + 1) * 4 + j});
        }
    }
    std::vector<std::uint32_t> v1, v2;
    std::vector<float> w1, w2;
    for (std::uint32_t v = 0; v < 20; ++v) {
        const std::uint32_t r = v / 4;
        if (r <= 2) {
            v1.push_back(v);
            w1.push_back(r == 2 ? 0.5f : 1.0f);
        }
        if (r >= 2) {
            v2.push_back(v);
            w2.push_back(r == 2 ? 0.5f : 1.0f);
        }
    }
    m.bones = {mtest::bone("Bone1", v1, w1), mtest::bone("Bone2", v2, w2, matrix_translation(-2, 0, 0))};
    s.frames[1].meshes.push_back(m);

    XAnimation bend;
    bend.frameName = "Bone2";
    bend.rotationKeys = {{0, kHalfSqrt2, 0, 0, -kHalfSqrt2}};
    bend.positionKeys = {{0, {2, 0, 0}}};
    XAnimationSet set;
    set.name = "Bend";
    set.animations = {bend};
    s.animationSets = {set};
    return s;
}

// Where each tube vertex goes with Bone2 turned, worked out by hand: Bone1's vertices stay;
// Bone2's move by -2 along x (offset), turn +x into +y, move back by 2: (2 - y, x - 2, z); the
// shared ring is the mean of both.
Vec3 bent_by_hand(const Vec3& p) {
    if (p.x < 1.5f) return p;
    if (p.x < 2.5f) return {2.0f - p.y / 2, p.y / 2, p.z};
    return {2.0f - p.y, p.x - 2.0f, p.z};
}

TEST(BlendedMesh, BentTubeReachesThePositionsWorkedOutByHand) {
    mtest::MeshBench bench;
    const XFileScene scene = bent_tube();
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, scene), kOk);
    MeshContainer* c = mtest::first_container(mesh);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->maxFaceInfluences, 2u);
    EXPECT_EQ(c->mesh->fvf(), std::uint32_t(kFvfXyzB1 | kFvfNormal));

    FishMeshHooks hooks;
    hooks.reset_mesh_time(mesh);  // evaluates the set at 0: Bone2 turned
    const Vec3 place{10, 20, 30};
    hooks.advance_mesh(mesh, 0.0f, matrix_translation(place.x, place.y, place.z));
    bench.device.log().clear();
    ASSERT_EQ(hooks.draw_mesh(bench.device, mesh), kOk);

    const std::vector<DrawnVertex> drawn = mtest::replay_blend(bench.device.log(), *c->mesh);
    ASSERT_EQ(drawn.size(), 32u * 3);  // 16 quads as fans of two
    const XMesh& x = scene.frames[1].meshes[0];
    std::set<std::uint32_t> seen;
    for (const DrawnVertex& d : drawn) {
        SCOPED_TRACE("file vertex " + std::to_string(d.pointRep));
        const XVec3& p = x.positions.at(d.pointRep);
        mtest::expect_vec_near(d.position, vec3_add(bent_by_hand({p.x, p.y, p.z}), place), 1e-5f);
        seen.insert(d.pointRep);
    }
    EXPECT_EQ(seen.size(), 20u);
    EXPECT_EQ(bench.device.log().texts().back(), "set_render_state(VERTEXBLEND, 0)");
}

TEST(BlendedMesh, BindPoseLeavesTheTubeWhereItWas) {
    mtest::MeshBench bench;
    XFileScene scene = bent_tube();
    scene.animationSets.clear();  // no controller: the frames keep their bind matrices
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, scene), kOk);
    EXPECT_EQ(mesh.animController, nullptr);
    FishMeshHooks hooks;
    hooks.advance_mesh(mesh, 1.0f, matrix_identity());
    bench.device.log().clear();
    hooks.draw_mesh(bench.device, mesh);
    const XMesh& x = scene.frames[1].meshes[0];
    for (const DrawnVertex& d : mtest::replay_blend(bench.device.log(), *mtest::first_container(mesh)->mesh)) {
        const XVec3& p = x.positions.at(d.pointRep);
        mtest::expect_vec_near(d.position, {p.x, p.y, p.z}, 1e-5f);
    }
}

// --- conversion of hand-made meshes ---

struct Influences {
    std::vector<std::pair<std::uint32_t, float>> of;  // (bone, weight)
};

// A mesh of separate triangles over shared vertices, faces already sorted by material, and a
// skin with `boneCount` bones.
struct HandMesh {
    MeshGeometry geometry;
    SkinInfo skin;
};

void make_hand_mesh(HandMesh& h, const std::vector<Influences>& vertices,
                    const std::vector<std::array<std::uint32_t, 3>>& faces,
                    const std::vector<std::uint32_t>& materials, std::uint32_t boneCount) {
    vertex_layout(kFvfXyz | kFvfNormal, &h.geometry.layout);
    for (std::uint32_t v = 0; v < vertices.size(); ++v) {
        h.geometry.vertices.insert(h.geometry.vertices.end(), {float(v), float(v % 3), 0.5f, 0, 0, -1});
        h.geometry.pointReps.push_back(v);
    }
    for (std::size_t f = 0; f < faces.size(); ++f) {
        h.geometry.indices.insert(h.geometry.indices.end(), faces[f].begin(), faces[f].end());
        h.geometry.faceAttributes.push_back(materials[f]);
    }
    rebuild_attribute_table(h.geometry);
    h.skin.vertexCount = std::uint32_t(vertices.size());
    h.skin.bones.resize(boneCount);
    for (std::uint32_t b = 0; b < boneCount; ++b) {
        h.skin.bones[b].name = "bone" + std::to_string(b);
        h.skin.bones[b].offset = matrix_identity();
    }
    for (std::uint32_t v = 0; v < vertices.size(); ++v) {
        for (const auto& [b, w] : vertices[v].of) {
            h.skin.bones[b].vertices.push_back(v);
            h.skin.bones[b].weights.push_back(w);
        }
    }
}

std::vector<std::uint32_t> ids_of(const BlendedMesh& b, std::uint32_t g) {
    const std::uint32_t* ids = b.table->groups[g].boneId;
    return std::vector<std::uint32_t>(ids, ids + b.maxFaceInfluences);
}

// The stored weights of every copy of a source vertex drawn by group g.
std::vector<float> weights_in_group(const BlendedMesh& b, std::uint32_t g, std::uint32_t source) {
    const MeshGeometry& m = *b.mesh;
    const BoneCombination& group = b.table->groups[g];
    for (std::uint32_t c = group.faceStart * 3; c < (group.faceStart + group.faceCount) * 3; ++c) {
        const std::uint32_t v = m.indices[c];
        if (m.pointReps[v] != source) continue;
        const float* data = m.vertex(v);
        return std::vector<float>(data + m.layout.weights, data + m.layout.weights + m.layout.weightCount);
    }
    ADD_FAILURE() << "vertex " << source << " not in group " << g;
    return {};
}

constexpr std::uint32_t N = kNoBone;

class HandConversion : public ::testing::Test {
protected:
    // Faces A, B, E fit bones {0,1}; C needs {1,2}; D {2,3}; F has no bone; G (material 1)
    // again {0,1}. Vertex 4 lies on B, C and E; vertex 5 on C and D.
    void SetUp() override {
        make_hand_mesh(hand,
                       {{{{0, 1}}}, {{{0, 1}}}, {{{0, 1}}}, {{{0, 0.25f}, {1, 0.75f}}}, {{{1, 1}}}, {{{2, 1}}},
                        {{{2, 0.5f}, {3, 0.5f}}}, {{{3, 1}}}, {}, {}, {}, {{{1, 1}}}, {{{2, 1}}}},
                       {{0, 1, 2}, {2, 3, 4}, {4, 5, 12}, {5, 6, 7}, {11, 4, 3}, {8, 9, 10}, {0, 1, 11}},
                       {0, 0, 0, 0, 0, 0, 1}, 4);
        ASSERT_EQ(convert_to_blended_mesh(hand.skin, hand.geometry, kMeshManaged | kMeshOptVertexCache, &blended),
                  kOk);
    }
    HandMesh hand;
    BlendedMesh blended;
};

TEST_F(HandConversion, GroupsFacesByMaterialIntoBoneListsThatFit) {
    ASSERT_EQ(blended.groupCount, 5u);
    EXPECT_EQ(blended.maxFaceInfluences, 2u);
    EXPECT_EQ(ids_of(blended, 0), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(ids_of(blended, 1), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(ids_of(blended, 2), (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ(ids_of(blended, 3), (std::vector<std::uint32_t>{N, N}));  // the face no bone moves
    EXPECT_EQ(ids_of(blended, 4), (std::vector<std::uint32_t>{0, 1}));
    const std::uint32_t faces[] = {3, 1, 1, 1, 1};
    const std::uint32_t materials[] = {0, 0, 0, 0, 1};
    std::uint32_t next = 0;
    for (std::uint32_t g = 0; g < 5; ++g) {
        const BoneCombination& group = blended.table->groups[g];
        EXPECT_EQ(group.faceCount, faces[g]) << g;
        EXPECT_EQ(group.faceStart, next) << g;
        EXPECT_EQ(group.attribId, materials[g]) << g;
        next += group.faceCount;
        // DrawSubset(g) draws exactly this group.
        ASSERT_EQ(blended.mesh->attributeTable.at(g).attribId, g);
        EXPECT_EQ(blended.mesh->attributeTable[g].faceStart, group.faceStart);
        EXPECT_EQ(blended.mesh->attributeTable[g].faceCount, group.faceCount);
    }
    EXPECT_EQ(blended.mesh->fvf(), std::uint32_t(kFvfXyzB1 | kFvfNormal));
    EXPECT_EQ(blended.mesh->options, std::uint32_t(kMeshManaged | kMeshOptVertexCache));
}

TEST_F(HandConversion, CopiesVerticesOnlyAcrossDifferentBoneLists) {
    // Bone lists {0,1} (groups 0 and 4 share it), {1,2}, {2,3} and none: vertices 4 and 5 each
    // sit under two lists, so 13 source vertices become 15.
    EXPECT_EQ(blended.mesh->vertex_count(), 15u);
    std::map<std::uint32_t, int> copies;
    for (std::uint32_t rep : blended.mesh->pointReps) ++copies[rep];
    EXPECT_EQ(copies[4], 2);
    EXPECT_EQ(copies[5], 2);
    EXPECT_EQ(copies[0], 1);
    EXPECT_EQ(copies[11], 1);
    // A group's corners stay within its vertex range, and positions travel with their copies.
    for (const BoneCombination& g : blended.table->groups) {
        for (std::uint32_t c = g.faceStart * 3; c < (g.faceStart + g.faceCount) * 3; ++c) {
            const std::uint32_t v = blended.mesh->indices[c];
            EXPECT_GE(v, g.vertexStart);
            EXPECT_LT(v, g.vertexStart + g.vertexCount);
            EXPECT_EQ(blended.mesh->position(v).x, float(blended.mesh->pointReps[v]));
        }
    }
}

TEST_F(HandConversion, WeightsFollowTheGroupsBoneOrderWithTheLastImplicit) {
    EXPECT_EQ(weights_in_group(blended, 0, 3), std::vector<float>{0.25f});  // bone 0 of {0,1}
    EXPECT_EQ(weights_in_group(blended, 0, 4), std::vector<float>{0.0f});   // all on bone 1
    EXPECT_EQ(weights_in_group(blended, 1, 4), std::vector<float>{1.0f});   // bone 1 of {1,2}
    EXPECT_EQ(weights_in_group(blended, 2, 6), std::vector<float>{0.5f});
    EXPECT_EQ(weights_in_group(blended, 4, 11), std::vector<float>{0.0f});
}

TEST_F(HandConversion, SoftwareSplitIsTheFirstGroupNeedingMoreMatricesThanTheDevice) {
    EXPECT_EQ(find_software_split(*blended.table, blended.maxFaceInfluences, 4), 5u);
    EXPECT_EQ(find_software_split(*blended.table, blended.maxFaceInfluences, 2), 5u);
    EXPECT_EQ(find_software_split(*blended.table, blended.maxFaceInfluences, 1), 0u);
    EXPECT_EQ(find_software_split(*blended.table, blended.maxFaceInfluences, 0), 0u);
    EXPECT_EQ(last_bone_slot(blended.table->groups[0], 2), 1u);
    EXPECT_EQ(last_bone_slot(blended.table->groups[3], 2), 0u);
}

TEST(BlendedMesh, KeepsTheFourHeaviestBonesAndRenormalises) {
    HandMesh hand;
    // Vertex 0 names five bones; bone 0 is the lightest and goes. Face 1 gathers bones
    // 0 (0.7), 1 (0.4), 2 (0.5), 3 (0.5), 4 (0.9) over its corners; bone 1 goes.
    make_hand_mesh(hand,
                   {{{{0, 0.1f}, {1, 0.2f}, {2, 0.3f}, {3, 0.25f}, {4, 0.15f}}},
                    {},
                    {},
                    {{{0, 0.6f}, {1, 0.4f}}},
                    {{{2, 0.5f}, {3, 0.5f}}},
                    {{{4, 0.9f}, {0, 0.1f}}}},
                   {{0, 1, 2}, {3, 4, 5}}, {0, 0}, 5);
    BlendedMesh b;
    ASSERT_EQ(convert_to_blended_mesh(hand.skin, hand.geometry, kMeshManaged, &b), kOk);
    ASSERT_EQ(b.groupCount, 2u);
    EXPECT_EQ(b.maxFaceInfluences, 4u);
    EXPECT_EQ(b.mesh->fvf(), std::uint32_t(kFvfXyzB3 | kFvfNormal));
    EXPECT_EQ(ids_of(b, 0), (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(ids_of(b, 1), (std::vector<std::uint32_t>{0, 2, 3, 4}));
    const std::vector<float> v0 = weights_in_group(b, 0, 0);
    ASSERT_EQ(v0.size(), 3u);
    EXPECT_FLOAT_EQ(v0[0], 0.2f / 0.9f);
    EXPECT_FLOAT_EQ(v0[1], 0.3f / 0.9f);
    EXPECT_FLOAT_EQ(v0[2], 0.25f / 0.9f);  // bone 4 takes the remaining 0.15 / 0.9
    EXPECT_EQ(weights_in_group(b, 1, 3), (std::vector<float>{1.0f, 0.0f, 0.0f}));  // bone 1 dropped
    const std::vector<float> v5 = weights_in_group(b, 1, 5);
    EXPECT_FLOAT_EQ(v5[0], 0.1f);
    EXPECT_FLOAT_EQ(v5[1] + v5[2], 0.0f);
}

TEST(BlendedMesh, IgnoresWeightsThatAreNotFinitePositiveNumbers) {
    HandMesh hand;
    make_hand_mesh(hand, {{{{0, 1}, {1, 0.0f}, {2, std::nanf("")}, {3, -1.0f}}}, {}, {}}, {{0, 1, 2}}, {0}, 4);
    BlendedMesh b;
    ASSERT_EQ(convert_to_blended_mesh(hand.skin, hand.geometry, kMeshManaged, &b), kOk);
    EXPECT_EQ(b.maxFaceInfluences, 1u);
    EXPECT_EQ(ids_of(b, 0), std::vector<std::uint32_t>{0});
    EXPECT_EQ(b.mesh->fvf(), std::uint32_t(kFvfXyz | kFvfNormal));
}

}  // namespace
}  // namespace brine
