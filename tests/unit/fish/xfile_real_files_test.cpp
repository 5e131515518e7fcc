// The reader against X files that nobody here wrote: Debian's assimp-testmodels (Maya, 3ds Max
// kW X-port, trueSpace and D3DX exports in text, binary and compressed form), compared with
// what Debian's assimp library reads from them. Skipped when the models are not installed; the
// comparison with assimp is left out when the build did not find the library.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "tests/unit/fish/xfile_test_util.h"

#ifdef BRINE_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace brine {
namespace {

std::string model_dir() {
    for (const char* dir : {"/usr/share/assimp/models/X", "/usr/share/assimp-testmodels/models/X"}) {
        std::ifstream probe(std::string(dir) + "/test_cube_text.x");
        if (probe) return dir;
    }
    return std::string();
}

bool load(const std::string& name, std::string* bytes) {
    std::string dir = model_dir();
    if (dir.empty()) return false;
    std::ifstream in(dir + "/" + name, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

#define LOAD_MODEL_OR_SKIP(name, bytes)                                   \
    std::string bytes;                                                    \
    if (!load(name, &bytes)) GTEST_SKIP() << "assimp-testmodels not installed"

// Files that load, with what a reader of the file text finds in them.
struct Known {
    const char* file;
    std::size_t frames;
    std::size_t meshes;
    std::size_t animationSets;
    std::uint32_t ticks;
};
const Known kKnown[] = {
    {"anim_test.x", 5, 1, 1, 24},              // Maya, text, 4 bones, 24 ticks/s
    {"BCN_Epileptic.X", 58, 3, 1, 4800},       // 3ds Max kW X-port, three skinned meshes
    {"Testwuson.X", 40, 1, 3, 4800},           // kW X-port, three sets incl. a bind pose
    {"fromtruespace_bin32.x", 1, 1, 0, 0},     // trueSpace, binary with a Header object
    {"kwxport_test_cubewithvcolors.x", 1, 1, 0, 0},  // vertex colours, three materials
    {"test.x", 1, 1, 0, 0},                    // Maya, DeclData and TextureFileName spelling
    {"test_cube_text.x", 2, 1, 0, 24},
    {"test_cube_binary.x", 2, 1, 0, 24},
    {"test_cube_compressed.x", 2, 1, 0, 24},   // bzip, one chunk
};

std::size_t mesh_count(const XFileScene& s) {
    std::size_t n = 0;
    for (const XFrame& f : s.frames) n += f.meshes.size();
    return n;
}

TEST(XFileRealFiles, EveryModelLoads) {
    for (const Known& k : kKnown) {
        SCOPED_TRACE(k.file);
        LOAD_MODEL_OR_SKIP(k.file, bytes);
        XFileScene s;
        ASSERT_EQ(xtest::read(bytes, &s), kOk);
        EXPECT_EQ(s.frames.size(), k.frames);
        EXPECT_EQ(mesh_count(s), k.meshes);
        EXPECT_EQ(s.animationSets.size(), k.animationSets);
        EXPECT_EQ(s.ticksPerSecond, k.ticks);
    }
}

TEST(XFileRealFiles, BrokenModelsAreRefused) {
    // OV_GetNextToken is the compressed cube with one byte of its DEFLATE data changed.
    LOAD_MODEL_OR_SKIP("OV_GetNextToken", broken);
    XFileScene s;
    EXPECT_EQ(xtest::read(broken, &s), kFail);
    EXPECT_TRUE(s.frames.empty());
    std::ifstream empty(model_dir() + "/../invalid/empty.x", std::ios::binary);
    if (empty) {
        std::string none((std::istreambuf_iterator<char>(empty)), std::istreambuf_iterator<char>());
        EXPECT_EQ(xtest::read(none, &s), kFail);
    }
}

TEST(XFileRealFiles, TheCubeReadsTheSameInTextBinaryAndCompressedForm) {
    LOAD_MODEL_OR_SKIP("test_cube_text.x", text);
    LOAD_MODEL_OR_SKIP("test_cube_binary.x", binary);
    LOAD_MODEL_OR_SKIP("test_cube_compressed.x", compressed);
    XFileScene t = xtest::read_ok(text);
    XFileScene b = xtest::read_ok(binary);
    XFileScene c = xtest::read_ok(compressed);
    xtest::expect_scene_eq(b, c);
    xtest::expect_scene_eq(t, b, 1e-6f);  // the text has six decimals
    // The top-level material named "Material" is referenced from the mesh's list.
    const XMesh& m = b.frames[1].meshes[0];
    ASSERT_EQ(m.materials.size(), 1u);
    EXPECT_NEAR(m.materials[0].power, 96.078f, 1e-3);
    EXPECT_EQ(m.bones.size(), 1u);
    EXPECT_EQ(m.bones[0].frameName, "Cube");
}

// The frame's rotation with its scale taken out, as a row-major 3 x 3.
void frame_rotation(const XMatrix& f, float r[9]) {
    for (int row = 0; row < 3; ++row) {
        const float* v = f.m + 4 * row;
        float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int c = 0; c < 3; ++c) r[3 * row + c] = len > 0 ? v[c] / len : 0;
    }
}

bool rotation_matches(const XRotationKey& key, const XMatrix& frame) {
    float r[9];
    frame_rotation(frame, r);
    XMatrix k = xfile_rotation_matrix(key);
    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < 3; ++c) {
            if (std::fabs(k.m[4 * row + c] - r[3 * row + c]) > 2e-3f) return false;
        }
    }
    return true;
}

struct PoseCheck {
    int animations = 0;
    int conjugate = 0;  // first key == frame rotation with the documented convention
    int plain = 0;      // ... with the quaternion taken as D3DX's own
    int positions = 0;  // first position key == the frame's translation
};

PoseCheck check_first_keys(const XFileScene& s, const XAnimationSet& set) {
    PoseCheck p;
    for (const XAnimation& a : set.animations) {
        if (a.frameIndex < 0 || a.rotationKeys.empty()) continue;
        const XMatrix& f = s.frames[a.frameIndex].transform;
        ++p.animations;
        XRotationKey key = a.rotationKeys[0];
        if (rotation_matches(key, f)) ++p.conjugate;
        key.x = -key.x;
        key.y = -key.y;
        key.z = -key.z;
        if (rotation_matches(key, f)) ++p.plain;
        if (!a.positionKeys.empty()) {
            const XVec3& v = a.positionKeys[0].value;
            if (std::fabs(v.x - f.m[12]) + std::fabs(v.y - f.m[13]) + std::fabs(v.z - f.m[14]) < 1e-3f) {
                ++p.positions;
            }
        }
    }
    return p;
}

// Where an exporter starts its motion in the bind pose, key 0 must give back each frame's
// FrameTransformMatrix: it does with the conjugate and, but for rotations that equal their own
// inverse, not without it.
TEST(XFileRealFiles, FirstRotationKeysReproduceTheBindPoseWithTheConjugate) {
    LOAD_MODEL_OR_SKIP("BCN_Epileptic.X", bcn);
    LOAD_MODEL_OR_SKIP("Testwuson.X", wuson);
    LOAD_MODEL_OR_SKIP("anim_test.x", maya);

    XFileScene b = xtest::read_ok(bcn);
    PoseCheck pb = check_first_keys(b, b.animationSets.at(0));
    EXPECT_EQ(pb.animations, 57);
    EXPECT_EQ(pb.conjugate, pb.animations);
    EXPECT_EQ(pb.positions, pb.animations);
    EXPECT_LT(pb.plain, pb.animations / 4);

    XFileScene w = xtest::read_ok(wuson);
    ASSERT_EQ(w.animationSets.at(2).name, "Wuson_Bind");
    PoseCheck pw = check_first_keys(w, w.animationSets[2]);
    EXPECT_EQ(pw.animations, 39);
    EXPECT_EQ(pw.conjugate, pw.animations);
    EXPECT_LT(pw.plain, pw.animations / 4);

    // Maya's cylinder: keys start at tick 1 in the rest pose; joint2 bends about z.
    XFileScene m = xtest::read_ok(maya);
    PoseCheck pm = check_first_keys(m, m.animationSets.at(0));
    EXPECT_EQ(pm.animations, 4);
    EXPECT_EQ(pm.conjugate, 4);
    EXPECT_LT(pm.plain, 4);
    EXPECT_EQ(m.animationSets[0].animations[0].rotationKeys[0].time, 1u);
}

#ifdef BRINE_HAVE_ASSIMP

// What assimp must report for our reading of a file. assimp's X importer splits each mesh by
// material, gives every face corner its own vertex, drops bone weights of 0 and any bone left
// without weights, skips animation sets without animations, decomposes matrix keys into
// position, rotation and scale keys, and merges a lone unnamed child frame that holds meshes
// into its parent. It then mirrors z (to a right-handed system) and reverses the winding.
struct Counts {
    std::size_t nodes = 0;
    std::size_t faces = 0;
    std::size_t vertices = 0;
    std::size_t coloured = 0;  // meshes with vertex colours
    std::set<std::string> bones;
    std::size_t weights = 0;
    std::size_t animations = 0;
    std::vector<std::size_t> channels;
    std::vector<std::size_t> keys;
};

Counts expected_from(const XFileScene& s) {
    Counts c;
    c.nodes = s.frames.size();
    for (const XFrame& f : s.frames) {
        if (f.firstChild >= 0 && s.frames[f.firstChild].nextSibling < 0 && f.meshes.empty()) {
            const XFrame& child = s.frames[f.firstChild];
            if (child.name.empty() && !child.meshes.empty()) --c.nodes;
        }
        for (const XMesh& m : f.meshes) {
            c.faces += m.faceSizes.size();
            c.vertices += m.faceIndices.size();
            if (!m.colors.empty()) {
                std::set<std::uint32_t> used(m.faceMaterials.begin(), m.faceMaterials.end());
                c.coloured += m.faceMaterials.empty() ? 1 : used.size();
            }
            std::vector<std::size_t> corners(m.positions.size(), 0);
            for (std::uint32_t v : m.faceIndices) ++corners[v];
            for (const XBone& b : m.bones) {
                std::map<std::uint32_t, float> last;
                for (std::size_t i = 0; i < b.vertices.size(); ++i) last[b.vertices[i]] = b.weights[i];
                std::size_t n = 0;
                for (const auto& [v, w] : last) {
                    if (w > 0) n += corners[v];
                }
                if (n > 0) c.bones.insert(b.frameName);
                c.weights += n;
            }
        }
    }
    for (const XAnimationSet& set : s.animationSets) {
        if (set.animations.empty()) continue;
        ++c.animations;
        c.channels.push_back(set.animations.size());
        std::size_t keys = 0;
        for (const XAnimation& a : set.animations) {
            keys += a.matrixKeys.empty()
                        ? a.rotationKeys.size() + a.scaleKeys.size() + a.positionKeys.size()
                        : 3 * a.matrixKeys.size();
        }
        c.keys.push_back(keys);
    }
    return c;
}

Counts reported_by(const aiScene* s) {
    Counts c;
    std::vector<const aiNode*> stack{s->mRootNode};
    while (!stack.empty()) {
        const aiNode* n = stack.back();
        stack.pop_back();
        ++c.nodes;
        for (unsigned i = 0; i < n->mNumChildren; ++i) stack.push_back(n->mChildren[i]);
    }
    for (unsigned i = 0; i < s->mNumMeshes; ++i) {
        const aiMesh* m = s->mMeshes[i];
        c.faces += m->mNumFaces;
        c.vertices += m->mNumVertices;
        if (m->HasVertexColors(0)) ++c.coloured;
        for (unsigned b = 0; b < m->mNumBones; ++b) {
            c.bones.insert(m->mBones[b]->mName.C_Str());
            c.weights += m->mBones[b]->mNumWeights;
        }
    }
    c.animations = s->mNumAnimations;
    for (unsigned i = 0; i < s->mNumAnimations; ++i) {
        const aiAnimation* a = s->mAnimations[i];
        c.channels.push_back(a->mNumChannels);
        std::size_t keys = 0;
        for (unsigned k = 0; k < a->mNumChannels; ++k) {
            const aiNodeAnim* ch = a->mChannels[k];
            keys += ch->mNumRotationKeys + ch->mNumScalingKeys + ch->mNumPositionKeys;
        }
        c.keys.push_back(keys);
    }
    return c;
}

// assimp's matrices act on column vectors and have z mirrored: ours[c][r] = s_r s_c theirs[r][c]
// with s = (1, 1, -1, 1).
float mirror(int r, int c) { return (r == 2) != (c == 2) ? -1.0f : 1.0f; }

TEST(XFileRealFiles, AssimpReadsTheSameFiles) {
    for (const Known& k : kKnown) {
        SCOPED_TRACE(k.file);
        LOAD_MODEL_OR_SKIP(k.file, bytes);
        XFileScene ours = xtest::read_ok(bytes);
        Assimp::Importer importer;
        const aiScene* theirs = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "x");
        ASSERT_NE(theirs, nullptr) << importer.GetErrorString();

        Counts want = expected_from(ours);
        Counts got = reported_by(theirs);
        EXPECT_EQ(got.nodes, want.nodes);
        EXPECT_EQ(got.faces, want.faces);
        EXPECT_EQ(got.vertices, want.vertices);
        EXPECT_EQ(got.coloured, want.coloured);
        EXPECT_EQ(got.bones, want.bones);
        EXPECT_EQ(got.weights, want.weights);
        EXPECT_EQ(got.animations, want.animations);
        EXPECT_EQ(got.channels, want.channels);
        EXPECT_EQ(got.keys, want.keys);
        for (unsigned i = 0; i < theirs->mNumAnimations; ++i) {
            EXPECT_EQ(theirs->mAnimations[i]->mTicksPerSecond, double(ours.ticksPerSecond));
        }

        // Frame matrices, by name.
        std::map<std::string, const XFrame*> frames;
        for (const XFrame& f : ours.frames) frames.emplace(f.name, &f);
        std::vector<const aiNode*> stack{theirs->mRootNode};
        int compared = 0;
        while (!stack.empty()) {
            const aiNode* n = stack.back();
            stack.pop_back();
            for (unsigned i = 0; i < n->mNumChildren; ++i) stack.push_back(n->mChildren[i]);
            auto found = frames.find(n->mName.C_Str());
            if (found == frames.end()) continue;  // assimp's own "$dummy_root"
            for (int r = 0; r < 4; ++r) {
                for (int c = 0; c < 4; ++c) {
                    EXPECT_NEAR(found->second->transform.m[4 * c + r],
                                mirror(r, c) * n->mTransformation[r][c], 1e-5)
                        << n->mName.C_Str();
                }
            }
            ++compared;
        }
        EXPECT_EQ(compared, static_cast<int>(ours.frames.size()) - (ours.frames[0].name.empty() ? 1 : 0));

        // Rotation and position keys: assimp's reading of each key is the rotation that our
        // convention gives, mirrored.
        for (unsigned i = 0; i < theirs->mNumAnimations; ++i) {
            const XAnimationSet& set = ours.animationSets[i];
            for (unsigned ch = 0; ch < theirs->mAnimations[i]->mNumChannels; ++ch) {
                const aiNodeAnim* anim = theirs->mAnimations[i]->mChannels[ch];
                const XAnimation& a = set.animations[ch];
                ASSERT_EQ(a.frameName, anim->mNodeName.C_Str());
                ASSERT_EQ(anim->mNumRotationKeys, a.rotationKeys.size());
                for (unsigned q = 0; q < anim->mNumRotationKeys; ++q) {
                    aiMatrix3x3 rot = anim->mRotationKeys[q].mValue.GetMatrix();
                    XMatrix m = xfile_rotation_matrix(a.rotationKeys[q]);
                    for (int r = 0; r < 3; ++r) {
                        for (int c = 0; c < 3; ++c) {
                            ASSERT_NEAR(m.m[4 * c + r], mirror(r, c) * rot[r][c], 1e-4)
                                << a.frameName << " key " << q;
                        }
                    }
                }
                ASSERT_EQ(anim->mNumPositionKeys, a.positionKeys.size());
                for (unsigned p = 0; p < anim->mNumPositionKeys; ++p) {
                    const aiVector3D& v = anim->mPositionKeys[p].mValue;
                    EXPECT_NEAR(v.x, a.positionKeys[p].value.x, 1e-5);
                    EXPECT_NEAR(v.y, a.positionKeys[p].value.y, 1e-5);
                    EXPECT_NEAR(-v.z, a.positionKeys[p].value.z, 1e-5);
                    EXPECT_EQ(anim->mPositionKeys[p].mTime, double(a.positionKeys[p].time));
                }
            }
        }

        // Vertices: the sum over all face corners, z mirrored.
        double ours3[3] = {0, 0, 0};
        double theirs3[3] = {0, 0, 0};
        for (const XFrame& f : ours.frames) {
            for (const XMesh& m : f.meshes) {
                for (std::uint32_t v : m.faceIndices) {
                    ours3[0] += m.positions[v].x;
                    ours3[1] += m.positions[v].y;
                    ours3[2] += m.positions[v].z;
                }
            }
        }
        for (unsigned i = 0; i < theirs->mNumMeshes; ++i) {
            for (unsigned v = 0; v < theirs->mMeshes[i]->mNumVertices; ++v) {
                const aiVector3D& p = theirs->mMeshes[i]->mVertices[v];
                theirs3[0] += p.x;
                theirs3[1] += p.y;
                theirs3[2] -= p.z;
            }
        }
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(ours3[i], theirs3[i], 1e-3 * (1 + std::fabs(ours3[i])));

        // Vertex colours, summed over the corners of coloured meshes.
        double ourColour[4] = {0, 0, 0, 0};
        double theirColour[4] = {0, 0, 0, 0};
        for (const XFrame& f : ours.frames) {
            for (const XMesh& m : f.meshes) {
                if (m.colors.empty()) continue;
                for (std::uint32_t v : m.faceIndices) {
                    ourColour[0] += m.colors[v].r;
                    ourColour[1] += m.colors[v].g;
                    ourColour[2] += m.colors[v].b;
                    ourColour[3] += m.colors[v].a;
                }
            }
        }
        for (unsigned i = 0; i < theirs->mNumMeshes; ++i) {
            const aiMesh* m = theirs->mMeshes[i];
            if (!m->HasVertexColors(0)) continue;
            for (unsigned v = 0; v < m->mNumVertices; ++v) {
                theirColour[0] += m->mColors[0][v].r;
                theirColour[1] += m->mColors[0][v].g;
                theirColour[2] += m->mColors[0][v].b;
                theirColour[3] += m->mColors[0][v].a;
            }
        }
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(ourColour[i], theirColour[i], 1e-3);
    }
}

#else

TEST(XFileRealFiles, AssimpReadsTheSameFiles) {
    GTEST_SKIP() << "built without assimp";
}

#endif

}  // namespace
}  // namespace brine
