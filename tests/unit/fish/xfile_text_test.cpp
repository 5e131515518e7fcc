// Hand-written text X files: each template the reader knows and the exporters' quirks.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/unit/fish/xfile_test_util.h"

namespace brine {
namespace {

using xtest::read;
using xtest::read_ok;
using xtest::text_file;

const char* const kTemplates = R"(
template Frame {
 <3d82ab46-62da-11cf-ab39-0020af71e433>
 [...]
}
template Mesh {
 <3d82ab44-62da-11cf-ab39-0020af71e433>
 DWORD nVertices;
 array Vector vertices[nVertices];
 DWORD nFaces;
 array MeshFace faces[nFaces];
 [...]
}
template AnimationSet {
 <3d82ab50-62da-11cf-ab39-0020af71e433>
 [Animation <3d82ab4f-62da-11cf-ab39-0020af71e433>]
}
)";

TEST(XFileText, FrameTreeWithMatrixAndPolygonMesh) {
    XFileScene s = read_ok(text_file(std::string(kTemplates) + R"(
Header { 1; 0; 1; }
// a comment line
Frame Root {   # and another
  FrameTransformMatrix {
    1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 10.5,-2.0,3.25,1.0;;
  }
  Frame Child {
    Mesh Quad {
      5;
      0.0;0.0;0.0;,
      1.0;0.0;0.0;,
      1.0;1.0;0.0;,
      0.0;1.0;0.0;,
      0.5;2.0;-1e-2;;
      2;
      4;0,1,2,3;,
      3;3,2,4;;
    }
  }
  Frame Sibling {
  }
}
)"));
    ASSERT_EQ(s.frames.size(), 3u);
    EXPECT_EQ(s.frames[0].name, "Root");
    EXPECT_EQ(s.frames[0].parent, -1);
    EXPECT_EQ(s.frames[0].firstChild, 1);
    EXPECT_EQ(s.frames[0].transform.m[12], 10.5f);
    EXPECT_EQ(s.frames[0].transform.m[13], -2.0f);
    EXPECT_EQ(s.frames[0].transform.m[14], 3.25f);
    EXPECT_EQ(s.frames[1].name, "Child");
    EXPECT_EQ(s.frames[1].parent, 0);
    EXPECT_EQ(s.frames[1].nextSibling, 2);
    EXPECT_EQ(s.frames[2].name, "Sibling");
    EXPECT_EQ(s.frames[2].nextSibling, -1);
    // A frame without FrameTransformMatrix stays identity.
    xtest::expect_matrix_eq(s.frames[2].transform, XMatrix{});

    ASSERT_EQ(s.frames[1].meshes.size(), 1u);
    const XMesh& m = s.frames[1].meshes[0];
    EXPECT_EQ(m.name, "Quad");
    ASSERT_EQ(m.positions.size(), 5u);
    EXPECT_EQ(m.positions[4].y, 2.0f);
    EXPECT_FLOAT_EQ(m.positions[4].z, -0.01f);
    EXPECT_EQ(m.faceSizes, (std::vector<std::uint32_t>{4, 3}));
    EXPECT_EQ(m.faceIndices, (std::vector<std::uint32_t>{0, 1, 2, 3, 3, 2, 4}));
    EXPECT_TRUE(m.normals.empty());
    EXPECT_TRUE(m.uvs.empty());
    EXPECT_TRUE(m.materials.empty());
    EXPECT_FALSE(m.skinHeader.present);
    EXPECT_TRUE(s.animationSets.empty());
    EXPECT_EQ(s.ticksPerSecond, 0u);
    EXPECT_EQ(xfile_ticks_per_second(s), kXDefaultTicksPerSecond);
}

TEST(XFileText, NormalsAndTextureCoordinates) {
    XFileScene s = read_ok(text_file(R"(
Frame F {
  Mesh {
    3; 0;0;0;, 1;0;0;, 0;1;0;;
    1; 3;0,1,2;;
    MeshNormals normals {
      2; 0;0;-1;, 0;0;1;;
      1; 3;1,0,1;;
    }
    MeshTextureCoords tc0 {
      3; 0.0;0.0;, 1.0;0.0;, 0.0;1.0;;
    }
    MeshVertexColors col0 {
      2;
      2;1.0;0.0;0.0;0.5;;,
      0;0.0;1.0;0.0;1.0;;;
    }
  }
}
)"));
    const XMesh& m = s.frames[0].meshes[0];
    EXPECT_EQ(m.name, "");
    ASSERT_EQ(m.normals.size(), 2u);
    EXPECT_EQ(m.normals[1].z, 1.0f);
    EXPECT_EQ(m.faceNormalIndices, (std::vector<std::uint32_t>{1, 0, 1}));
    ASSERT_EQ(m.uvs.size(), 3u);
    EXPECT_EQ(m.uvs[1].x, 1.0f);
    EXPECT_EQ(m.uvs[2].y, 1.0f);
    // Colours by vertex index; a vertex the file leaves out is white.
    ASSERT_EQ(m.colors.size(), 3u);
    EXPECT_EQ(m.colors[2].r, 1.0f);
    EXPECT_EQ(m.colors[2].g, 0.0f);
    EXPECT_EQ(m.colors[2].a, 0.5f);
    EXPECT_EQ(m.colors[0].g, 1.0f);
    EXPECT_EQ(m.colors[0].r, 0.0f);
    EXPECT_EQ(m.colors[1].r, 1.0f);
    EXPECT_EQ(m.colors[1].b, 1.0f);
    EXPECT_EQ(m.colors[1].a, 1.0f);
}

TEST(XFileText, MaterialsInlineReferencedAndMissing) {
    XFileScene s = read_ok(text_file(R"(
Material Shared {
  0.1;0.2;0.3;0.4;;
  8.0;
  0.5;0.6;0.7;;
  0.01;0.02;0.03;;
  TextureFileName { "C:\\art\\scales.bmp"; }
}
Frame F {
  Mesh {
    3; 0;0;0;, 1;0;0;, 0;1;0;;
    3; 3;0,1,2;, 3;0,2,1;, 3;1,2,0;;
    MeshMaterialList {
      4;
      3;
      0,
      1,
      2;;
      Material Own {
        1.0;1.0;1.0;1.0;;
        0.0;
        0.0;0.0;0.0;;
        0.0;0.0;0.0;;
        TextureFilename { "fin.bmp"; }
      }
      {Shared}
      { Nobody }
    }
  }
  Mesh Second {
    3; 0;0;0;, 1;0;0;, 0;1;0;;
    2; 3;0,1,2;, 3;0,2,1;;
    MeshMaterialList {
      1; 1; 0;;
      { Own }
    }
  }
}
)"));
    const XMesh& m = s.frames[0].meshes[0];
    EXPECT_EQ(m.faceMaterials, (std::vector<std::uint32_t>{0, 1, 2}));
    ASSERT_EQ(m.materials.size(), 4u);
    EXPECT_EQ(m.materials[0].diffuse[0], 1.0f);
    EXPECT_EQ(m.materials[0].textureFile, "fin.bmp");
    // The top-level material, found by name; doubled backslashes read as one.
    EXPECT_FLOAT_EQ(m.materials[1].diffuse[2], 0.3f);
    EXPECT_FLOAT_EQ(m.materials[1].diffuse[3], 0.4f);
    EXPECT_EQ(m.materials[1].power, 8.0f);
    EXPECT_FLOAT_EQ(m.materials[1].specular[1], 0.6f);
    EXPECT_FLOAT_EQ(m.materials[1].emissive[2], 0.03f);
    EXPECT_EQ(m.materials[1].textureFile, "C:\\art\\scales.bmp");
    // A reference to nothing and a material the list announced but never gave: mid grey.
    xtest::expect_material_eq(m.materials[2], XMaterial{});
    xtest::expect_material_eq(m.materials[3], XMaterial{});
    EXPECT_EQ(XMaterial{}.diffuse[0], 0.5f);

    // One index for all faces; a material named inside another mesh can be referenced.
    const XMesh& second = s.frames[0].meshes[1];
    EXPECT_EQ(second.faceMaterials, (std::vector<std::uint32_t>{0, 0}));
    ASSERT_EQ(second.materials.size(), 1u);
    EXPECT_EQ(second.materials[0].textureFile, "fin.bmp");
}

TEST(XFileText, ShiftJisNamesKeepTheirBytes) {
    // "表" is 0x95 0x5C and "ー" 0x81 0x5B: a backslash and a bracket as second bytes.
    const std::string hyou = "\x95\x5C";          // 表
    const std::string kingyo = "\x8B\xE0\x8B\x9B";  // 金魚
    const std::string bar = "\x81\x5B";           // ー
    XFileScene s = read_ok(text_file("Frame " + kingyo + bar + " {\n Mesh {\n"
        " 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,2;;\n"
        " MeshMaterialList { 1; 1; 0;;\n  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;;\n"
        "   TextureFilename { \"" + hyou + "\\\\" + hyou + ".bmp\"; } } } } }\n"));
    EXPECT_EQ(s.frames[0].name, kingyo + bar);
    // The doubled backslash collapses; the 0x5C inside each 表 stays.
    EXPECT_EQ(s.frames[0].meshes[0].materials[0].textureFile, hyou + "\\" + hyou + ".bmp");
}

TEST(XFileText, SkinHeaderAndWeights) {
    XFileScene s = read_ok(text_file(R"(
Frame Body {
  Mesh {
    4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;;
    2; 3;0,1,2;, 3;2,1,3;;
    XSkinMeshHeader { 2; 3; 2; }
    SkinWeights {
      "Tail";
      3;
      0,
      1,
      3;
      1.000000,
      0.500000,
      0.250000;
      1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,-2.5,0.0,1.0;;
    }
    SkinWeights {
      "Head";
      0;
      1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;
    }
  }
  Frame Tail {}
}
)"));
    const XMesh& m = s.frames[0].meshes[0];
    EXPECT_TRUE(m.skinHeader.present);
    EXPECT_EQ(m.skinHeader.maxWeightsPerVertex, 2u);
    EXPECT_EQ(m.skinHeader.maxWeightsPerFace, 3u);
    EXPECT_EQ(m.skinHeader.boneCount, 2u);
    ASSERT_EQ(m.bones.size(), 2u);
    EXPECT_EQ(m.bones[0].frameName, "Tail");
    EXPECT_EQ(m.bones[0].vertices, (std::vector<std::uint32_t>{0, 1, 3}));
    EXPECT_EQ(m.bones[0].weights, (std::vector<float>{1.0f, 0.5f, 0.25f}));
    EXPECT_EQ(m.bones[0].offset.m[13], -2.5f);
    EXPECT_EQ(m.bones[1].frameName, "Head");
    EXPECT_TRUE(m.bones[1].vertices.empty());
    EXPECT_EQ(s.frames[1].name, "Tail");
}

TEST(XFileText, AnimationSetsWithEveryKindOfKey) {
    XFileScene s = read_ok(text_file(R"(
AnimTicksPerSecond { 30; }
Frame Root {
  Frame Fin {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  }
}
AnimationSet Swim {
  Animation FinAnim {
    { Fin }
    AnimationOptions { 1; 0; }
    AnimationKey rot {
      0;
      2;
      0;4;1.000000,0.000000,0.000000,0.000000;;,
      30;4;0.707107,0.000000,0.707107,0.000000;;;
    }
    AnimationKey { 1; 1; 0;3;1.0,2.0,3.0;;; }
    AnimationKey { 2; 1; 15;3;-1.0,0.5,4.0;;; }
  }
  Animation {
    AnimationKey {
      4;
      1;
      0;16;1,0,0,0,0,1,0,0,0,0,1,0,5,6,7,1;;;
    }
    {Root}
  }
  Animation {
    AnimationKey { 3; 1; 7;16;2,0,0,0,0,2,0,0,0,0,2,0,0,0,0,1;;; }
    { Missing }
  }
}
AnimationSet {
}
)"));
    EXPECT_EQ(s.ticksPerSecond, 30u);
    EXPECT_EQ(xfile_ticks_per_second(s), 30u);
    ASSERT_EQ(s.animationSets.size(), 2u);
    const XAnimationSet& swim = s.animationSets[0];
    EXPECT_EQ(swim.name, "Swim");
    ASSERT_EQ(swim.animations.size(), 3u);

    const XAnimation& fin = swim.animations[0];
    EXPECT_EQ(fin.name, "FinAnim");
    EXPECT_EQ(fin.frameName, "Fin");
    EXPECT_EQ(fin.frameIndex, 1);
    EXPECT_TRUE(fin.hasOptions);
    EXPECT_EQ(fin.openClosed, 1u);
    EXPECT_EQ(fin.positionQuality, 0u);
    ASSERT_EQ(fin.rotationKeys.size(), 2u);
    EXPECT_EQ(fin.rotationKeys[1].time, 30u);
    EXPECT_FLOAT_EQ(fin.rotationKeys[1].w, 0.707107f);
    EXPECT_FLOAT_EQ(fin.rotationKeys[1].y, 0.707107f);
    ASSERT_EQ(fin.scaleKeys.size(), 1u);
    EXPECT_EQ(fin.scaleKeys[0].value.z, 3.0f);
    ASSERT_EQ(fin.positionKeys.size(), 1u);
    EXPECT_EQ(fin.positionKeys[0].time, 15u);
    EXPECT_EQ(fin.positionKeys[0].value.x, -1.0f);
    EXPECT_TRUE(fin.matrixKeys.empty());

    // The frame reference may follow the keys; types 4 and 3 are both matrix keys.
    const XAnimation& root = swim.animations[1];
    EXPECT_EQ(root.frameName, "Root");
    EXPECT_EQ(root.frameIndex, 0);
    EXPECT_FALSE(root.hasOptions);
    ASSERT_EQ(root.matrixKeys.size(), 1u);
    EXPECT_EQ(root.matrixKeys[0].value.m[12], 5.0f);
    EXPECT_EQ(root.matrixKeys[0].value.m[14], 7.0f);
    const XAnimation& missing = swim.animations[2];
    EXPECT_EQ(missing.frameName, "Missing");
    EXPECT_EQ(missing.frameIndex, -1);
    ASSERT_EQ(missing.matrixKeys.size(), 1u);
    EXPECT_EQ(missing.matrixKeys[0].time, 7u);
    EXPECT_EQ(missing.matrixKeys[0].value.m[5], 2.0f);

    EXPECT_EQ(s.animationSets[1].name, "");
    EXPECT_TRUE(s.animationSets[1].animations.empty());
}

TEST(XFileText, UnknownKeyTypesAndObjectsAreSkippedWhole) {
    XFileScene s = read_ok(text_file(R"(
KeyValuePair { "File"; "c:\\x.max"; }
Frame Root {
  ObjectMatrixComment object { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
  Mystery { 1; Nested { 2; Deeper { "}"; } } { Root } }
  Mesh {
    3; 0;0;0;, 1;0;0;, 0;1;0;;
    1; 3;0,1,2;;
    VertexDuplicationIndices { 3; 3; 0, 1, 2; }
    DeclData { 1; 2;0;6;0;; 3; 1065353216, 0, 0; }
  }
}
AnimationSet A {
  Animation {
    { Root }
    AnimationKey { 9; 1; 0;2;1.0,2.0;;; }
    AnimationKey { 2; 1; 0;3;1.0,2.0,3.0;;; }
  }
}
)"));
    ASSERT_EQ(s.frames.size(), 1u);
    ASSERT_EQ(s.frames[0].meshes.size(), 1u);
    EXPECT_EQ(s.frames[0].meshes[0].positions.size(), 3u);
    const XAnimation& a = s.animationSets[0].animations[0];
    EXPECT_TRUE(a.rotationKeys.empty());
    EXPECT_TRUE(a.matrixKeys.empty());
    ASSERT_EQ(a.positionKeys.size(), 1u);
    EXPECT_EQ(a.positionKeys[0].value.z, 3.0f);
}

TEST(XFileText, LenientSeparatorsAndNonNumbers) {
    // Separators omitted, doubled or swapped, the ";;" that some exporters put after material
    // indexes, and the C runtime's spellings of non-numbers.
    XFileScene s = read_ok(text_file(R"(
Frame Root{FrameTransformMatrix{1 0 0 0 0 1 0 0 0 0 1 0 -1.#IND00 1.#QNAN0 1.#INF00 1;}
Mesh{3;0,0,0;1,0,0;;0,1,0,
1;3;0;1;2;;;
MeshMaterialList{1;1;0;;;Material{1;1;1;1;;;0;;0;0;0;;0;0;0;;}}
}}
)"));
    const XFrame& f = s.frames[0];
    EXPECT_EQ(f.transform.m[12], 0.0f);
    EXPECT_EQ(f.transform.m[13], 0.0f);
    EXPECT_EQ(f.transform.m[14], 0.0f);
    EXPECT_EQ(f.transform.m[15], 1.0f);
    const XMesh& m = f.meshes[0];
    EXPECT_EQ(m.positions[1].x, 1.0f);
    EXPECT_EQ(m.positions[2].y, 1.0f);
    EXPECT_EQ(m.faceIndices, (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(m.faceMaterials, (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(m.materials.size(), 1u);
}

TEST(XFileText, TopLevelFramesAndMeshesGetOneRoot) {
    // One top-level frame is the root.
    XFileScene one = read_ok(text_file("Frame A { Frame B {} }"));
    ASSERT_EQ(one.frames.size(), 2u);
    EXPECT_EQ(one.frames[0].name, "A");

    // Several: an unnamed identity root holds them in file order, with the loose meshes in one
    // unnamed frame where the first of them stood.
    const char* body = R"(
Frame A {}
Mesh M1 { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
Frame B { Frame C {} }
Mesh M2 { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,2,1;; }
)";
    XFileScene many = read_ok(text_file(body));
    ASSERT_EQ(many.frames.size(), 5u);
    const XFrame& root = many.frames[0];
    EXPECT_EQ(root.name, "");
    EXPECT_TRUE(root.meshes.empty());
    xtest::expect_matrix_eq(root.transform, XMatrix{});
    std::vector<std::string> children;
    for (std::int32_t c = root.firstChild; c >= 0; c = many.frames[c].nextSibling) {
        EXPECT_EQ(many.frames[c].parent, 0);
        children.push_back(many.frames[c].name + "/" + std::to_string(many.frames[c].meshes.size()));
    }
    EXPECT_EQ(children, (std::vector<std::string>{"A/0", "/2", "B/0"}));
    const XFrame& meshes = many.frames[many.frames[root.firstChild].nextSibling];
    EXPECT_EQ(meshes.meshes[0].name, "M1");
    EXPECT_EQ(meshes.meshes[1].name, "M2");
    EXPECT_EQ(many.frames.back().name, "C");
    EXPECT_EQ(many.frames[many.frames.back().parent].name, "B");

    // Only loose meshes: their frame is the root.
    XFileScene loose = read_ok(text_file("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"));
    ASSERT_EQ(loose.frames.size(), 1u);
    EXPECT_EQ(loose.frames[0].meshes.size(), 1u);

    // Nothing to hang a mesh on: refused, as D3DX refuses it.
    XFileScene none;
    EXPECT_EQ(read(text_file(std::string(kTemplates) + "AnimTicksPerSecond { 24; }"), &none), kFail);
}

TEST(XFileText, RotationKeysFollowTheConjugateConvention) {
    // The file stores the conjugate of D3DX's quaternion: a key (cos a/2, 0, 0, -sin a/2) is
    // D3DXMatrixRotationZ(a) = [c s 0; -s c 0; 0 0 1] in row-vector form.
    for (float a : {0.3f, 1.2f, -2.5f}) {
        XRotationKey key;
        key.w = std::cos(a / 2);
        key.z = -std::sin(a / 2);
        XMatrix m = xfile_rotation_matrix(key);
        EXPECT_NEAR(m.m[0], std::cos(a), 1e-6);
        EXPECT_NEAR(m.m[1], std::sin(a), 1e-6);
        EXPECT_NEAR(m.m[4], -std::sin(a), 1e-6);
        EXPECT_NEAR(m.m[5], std::cos(a), 1e-6);
        EXPECT_NEAR(m.m[10], 1.0f, 1e-6);
        EXPECT_EQ(m.m[15], 1.0f);
        // Scaled and negated quaternions are the same rotation.
        XRotationKey scaled{0, -3 * key.w, 0, 0, -3 * key.z};
        XMatrix n = xfile_rotation_matrix(scaled);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(n.m[i], m.m[i], 1e-6);
    }
    XRotationKey zero{0, 0, 0, 0, 0};
    xtest::expect_matrix_eq(xfile_rotation_matrix(zero), XMatrix{});
}

TEST(XFileText, SixtyFourBitHeaderReadsTextTheSame) {
    std::string body = "Frame R { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0.1,0.2,0.3,1;; } }";
    XFileScene a = read_ok("xof 0303txt 0064\n" + body);
    XFileScene b = read_ok("xof 0302txt 0032\r\n" + body);
    xtest::expect_scene_eq(a, b);
    EXPECT_FLOAT_EQ(a.frames[0].transform.m[13], 0.2f);
}

}  // namespace
}  // namespace brine
