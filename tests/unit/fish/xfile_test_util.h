// Shared pieces of the X-file reader tests: reading from a string, a whole-scene comparison and
// a small skinned, animated sample scene that uses every record the reader fills.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fish/xfile_reader.h"

namespace brine {
namespace xtest {

inline HResult read(const std::string& file, XFileScene* out) {
    return read_xfile(file.data(), file.size(), out);
}

// A text file from its body, with the usual header.
inline std::string text_file(const std::string& body) {
    return "xof 0303txt 0032\n" + body;
}

inline XFileScene read_ok(const std::string& file) {
    XFileScene scene;
    HResult r = read(file, &scene);
    EXPECT_EQ(r, kOk);
    return scene;
}

// Floats compare exactly unless a tolerance is given (text files round what binary keeps).
inline void expect_f(float a, float b, float tol) {
    if (tol == 0) {
        EXPECT_EQ(a, b);
    } else {
        EXPECT_NEAR(a, b, tol);
    }
}

inline void expect_matrix_eq(const XMatrix& a, const XMatrix& b, float tol = 0) {
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE("matrix element " + std::to_string(i));
        expect_f(a.m[i], b.m[i], tol);
    }
}

inline void expect_material_eq(const XMaterial& a, const XMaterial& b, float tol = 0) {
    for (int i = 0; i < 4; ++i) expect_f(a.diffuse[i], b.diffuse[i], tol);
    expect_f(a.power, b.power, tol);
    for (int i = 0; i < 3; ++i) {
        expect_f(a.specular[i], b.specular[i], tol);
        expect_f(a.emissive[i], b.emissive[i], tol);
    }
    EXPECT_EQ(a.textureFile, b.textureFile);
}

inline void expect_mesh_eq(const XMesh& a, const XMesh& b, float tol = 0) {
    EXPECT_EQ(a.name, b.name);
    ASSERT_EQ(a.positions.size(), b.positions.size());
    for (std::size_t i = 0; i < a.positions.size(); ++i) {
        expect_f(a.positions[i].x, b.positions[i].x, tol);
        expect_f(a.positions[i].y, b.positions[i].y, tol);
        expect_f(a.positions[i].z, b.positions[i].z, tol);
    }
    EXPECT_EQ(a.faceSizes, b.faceSizes);
    EXPECT_EQ(a.faceIndices, b.faceIndices);
    ASSERT_EQ(a.normals.size(), b.normals.size());
    for (std::size_t i = 0; i < a.normals.size(); ++i) {
        expect_f(a.normals[i].x, b.normals[i].x, tol);
        expect_f(a.normals[i].y, b.normals[i].y, tol);
        expect_f(a.normals[i].z, b.normals[i].z, tol);
    }
    EXPECT_EQ(a.faceNormalIndices, b.faceNormalIndices);
    ASSERT_EQ(a.uvs.size(), b.uvs.size());
    for (std::size_t i = 0; i < a.uvs.size(); ++i) {
        expect_f(a.uvs[i].x, b.uvs[i].x, tol);
        expect_f(a.uvs[i].y, b.uvs[i].y, tol);
    }
    ASSERT_EQ(a.colors.size(), b.colors.size());
    for (std::size_t i = 0; i < a.colors.size(); ++i) {
        expect_f(a.colors[i].r, b.colors[i].r, tol);
        expect_f(a.colors[i].g, b.colors[i].g, tol);
        expect_f(a.colors[i].b, b.colors[i].b, tol);
        expect_f(a.colors[i].a, b.colors[i].a, tol);
    }
    EXPECT_EQ(a.faceMaterials, b.faceMaterials);
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (std::size_t i = 0; i < a.materials.size(); ++i) {
        expect_material_eq(a.materials[i], b.materials[i], tol);
    }
    EXPECT_EQ(a.skinHeader.present, b.skinHeader.present);
    EXPECT_EQ(a.skinHeader.maxWeightsPerVertex, b.skinHeader.maxWeightsPerVertex);
    EXPECT_EQ(a.skinHeader.maxWeightsPerFace, b.skinHeader.maxWeightsPerFace);
    EXPECT_EQ(a.skinHeader.boneCount, b.skinHeader.boneCount);
    ASSERT_EQ(a.bones.size(), b.bones.size());
    for (std::size_t i = 0; i < a.bones.size(); ++i) {
        EXPECT_EQ(a.bones[i].frameName, b.bones[i].frameName);
        EXPECT_EQ(a.bones[i].vertices, b.bones[i].vertices);
        ASSERT_EQ(a.bones[i].weights.size(), b.bones[i].weights.size());
        for (std::size_t w = 0; w < a.bones[i].weights.size(); ++w) {
            expect_f(a.bones[i].weights[w], b.bones[i].weights[w], tol);
        }
        expect_matrix_eq(a.bones[i].offset, b.bones[i].offset, tol);
    }
}

inline void expect_scene_eq(const XFileScene& a, const XFileScene& b, float tol = 0) {
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const XFrame& fa = a.frames[i];
        const XFrame& fb = b.frames[i];
        EXPECT_EQ(fa.name, fb.name);
        EXPECT_EQ(fa.parent, fb.parent);
        EXPECT_EQ(fa.firstChild, fb.firstChild);
        EXPECT_EQ(fa.nextSibling, fb.nextSibling);
        expect_matrix_eq(fa.transform, fb.transform, tol);
        ASSERT_EQ(fa.meshes.size(), fb.meshes.size());
        for (std::size_t m = 0; m < fa.meshes.size(); ++m) expect_mesh_eq(fa.meshes[m], fb.meshes[m], tol);
    }
    EXPECT_EQ(a.ticksPerSecond, b.ticksPerSecond);
    ASSERT_EQ(a.animationSets.size(), b.animationSets.size());
    for (std::size_t s = 0; s < a.animationSets.size(); ++s) {
        const XAnimationSet& sa = a.animationSets[s];
        const XAnimationSet& sb = b.animationSets[s];
        EXPECT_EQ(sa.name, sb.name);
        ASSERT_EQ(sa.animations.size(), sb.animations.size());
        for (std::size_t k = 0; k < sa.animations.size(); ++k) {
            const XAnimation& x = sa.animations[k];
            const XAnimation& y = sb.animations[k];
            EXPECT_EQ(x.name, y.name);
            EXPECT_EQ(x.frameName, y.frameName);
            EXPECT_EQ(x.frameIndex, y.frameIndex);
            ASSERT_EQ(x.rotationKeys.size(), y.rotationKeys.size());
            for (std::size_t i = 0; i < x.rotationKeys.size(); ++i) {
                EXPECT_EQ(x.rotationKeys[i].time, y.rotationKeys[i].time);
                expect_f(x.rotationKeys[i].w, y.rotationKeys[i].w, tol);
                expect_f(x.rotationKeys[i].x, y.rotationKeys[i].x, tol);
                expect_f(x.rotationKeys[i].y, y.rotationKeys[i].y, tol);
                expect_f(x.rotationKeys[i].z, y.rotationKeys[i].z, tol);
            }
            auto vectors = [tol](const std::vector<XVectorKey>& p, const std::vector<XVectorKey>& q) {
                ASSERT_EQ(p.size(), q.size());
                for (std::size_t i = 0; i < p.size(); ++i) {
                    EXPECT_EQ(p[i].time, q[i].time);
                    expect_f(p[i].value.x, q[i].value.x, tol);
                    expect_f(p[i].value.y, q[i].value.y, tol);
                    expect_f(p[i].value.z, q[i].value.z, tol);
                }
            };
            vectors(x.scaleKeys, y.scaleKeys);
            vectors(x.positionKeys, y.positionKeys);
            ASSERT_EQ(x.matrixKeys.size(), y.matrixKeys.size());
            for (std::size_t i = 0; i < x.matrixKeys.size(); ++i) {
                EXPECT_EQ(x.matrixKeys[i].time, y.matrixKeys[i].time);
                expect_matrix_eq(x.matrixKeys[i].value, y.matrixKeys[i].value, tol);
            }
            EXPECT_EQ(x.hasOptions, y.hasOptions);
            EXPECT_EQ(x.openClosed, y.openClosed);
            EXPECT_EQ(x.positionQuality, y.positionQuality);
        }
    }
}

// Root > Body (skinned mesh: a quad and a triangle, two materials, normals, uvs, colours) and
// Root > Bone1 > Bone2; two animation sets using every kind of key.
inline XFileScene sample_scene() {
    XFileScene s;
    s.frames.resize(4);
    XFrame& root = s.frames[0];
    root.name = "Root";
    root.firstChild = 1;
    root.transform.m[12] = 1.5f;
    root.transform.m[13] = -2.25f;
    XFrame& body = s.frames[1];
    body.name = "Body";
    body.parent = 0;
    body.nextSibling = 2;
    XFrame& bone1 = s.frames[2];
    bone1.name = "Bone1";
    bone1.parent = 0;
    bone1.firstChild = 3;
    const float rot[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0.125f, 3, -7.5f, 1};
    std::memcpy(bone1.transform.m, rot, sizeof rot);
    XFrame& bone2 = s.frames[3];
    bone2.name = "Bone2";
    bone2.parent = 2;
    bone2.transform.m[14] = 4.0f;

    XMesh mesh;
    mesh.name = "BodyMesh";
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 2, 0.1f}, {-1e-3f, 3.4e4f, 2}};
    mesh.faceSizes = {4, 3};
    mesh.faceIndices = {0, 1, 2, 3, 3, 2, 4};
    mesh.normals = {{0, 0, -1}, {0, 0.6f, -0.8f}};
    mesh.faceNormalIndices = {0, 0, 0, 0, 1, 1, 1};
    mesh.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.25f}, {0.75f, 1}};
    mesh.colors.assign(6, XColor{});
    mesh.colors[2] = {1, 0, 0.5f, 0.25f};
    mesh.faceMaterials = {1, 0};
    XMaterial m0;
    m0.diffuse[0] = 1;
    m0.diffuse[1] = 0.5f;
    m0.diffuse[2] = 0.25f;
    m0.diffuse[3] = 1;
    m0.power = 20;
    m0.specular[0] = m0.specular[1] = m0.specular[2] = 0.1f;
    m0.emissive[2] = 0.3f;
    m0.textureFile = "tex\\kingyo_body.bmp";
    XMaterial m1;
    m1.diffuse[3] = 0.5f;
    mesh.materials = {m0, m1};
    mesh.skinHeader.present = true;
    mesh.skinHeader.maxWeightsPerVertex = 2;
    mesh.skinHeader.maxWeightsPerFace = 2;
    mesh.skinHeader.boneCount = 2;
    XBone b1;
    b1.frameName = "Bone1";
    b1.vertices = {0, 1, 2, 3};
    b1.weights = {1, 0.75f, 0.5f, 0.25f};
    b1.offset.m[12] = -0.125f;
    XBone b2;
    b2.frameName = "Bone2";
    b2.vertices = {1, 2, 3, 4, 5};
    b2.weights = {0.25f, 0.5f, 0.75f, 1, 1};
    b2.offset.m[13] = -3;
    mesh.bones = {b1, b2};
    body.meshes.push_back(mesh);

    s.ticksPerSecond = 4800;
    XAnimationSet swim;
    swim.name = "Swim";
    XAnimation a1;
    a1.name = "SwimBone1";
    a1.frameName = "Bone1";
    a1.frameIndex = 2;
    a1.rotationKeys = {{0, 1, 0, 0, 0}, {160, 0.7071068f, 0, 0, -0.7071068f}};
    a1.scaleKeys = {{0, {1, 1, 1}}, {160, {1, 2, 1}}};
    a1.positionKeys = {{0, {0.125f, 3, -7.5f}}};
    a1.hasOptions = true;
    a1.openClosed = 1;
    a1.positionQuality = 1;
    XAnimation a2;
    a2.frameName = "Bone2";
    a2.frameIndex = 3;
    XMatrixKey mk;
    mk.time = 80;
    mk.value = bone2.transform;
    a2.matrixKeys = {mk, mk};
    a2.matrixKeys[1].time = 4799;
    a2.matrixKeys[1].value.m[0] = -1;
    swim.animations = {a1, a2};
    XAnimationSet idle;
    idle.name = "Idle";
    XAnimation a3;
    a3.frameName = "Root";
    a3.frameIndex = 0;
    a3.positionKeys = {{0, {1.5f, -2.25f, 0}}, {10, {1.5f, -2, 0}}};
    idle.animations = {a3};
    s.animationSets = {swim, idle};
    return s;
}

}  // namespace xtest
}  // namespace brine
