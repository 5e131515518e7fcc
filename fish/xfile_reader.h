// The program's own DirectX X-file reader: text, binary and MSZIP-compressed files with 32- or
// 64-bit floats, read from memory into plain records that the mesh, skinning and animation code
// turn into their own forms. Must not depend on any device, platform or D3DX code (zlib only).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"

namespace brine {

// Conventions shared by every record below:
// - Matrices are 16 floats in D3D order (row-major, row vectors: v' = v * M, translation in
//   elements 12..14), exactly as the file stores them.
// - Names and texture file names are the file's bytes (Shift-JIS in this program's data), with
//   no terminator; an absent name is empty.
// - Every index stored here has been checked against the array it indexes.

struct XVec2 {
    float x = 0, y = 0;
};
struct XVec3 {
    float x = 0, y = 0, z = 0;
};
struct XColor {
    float r = 1, g = 1, b = 1, a = 1;
};
struct XMatrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

// A Material. The X file has no ambient colour. The defaults are the mid grey that a mesh
// without materials is drawn in; a MeshMaterialList that announces more materials than it holds
// (or references a material nobody defined) gets this material in the missing places.
struct XMaterial {
    float diffuse[4] = {0.5f, 0.5f, 0.5f, 0.0f};  // faceColor r, g, b, a
    float power = 0.0f;
    float specular[3] = {0.5f, 0.5f, 0.5f};
    float emissive[3] = {0.0f, 0.0f, 0.0f};
    std::string textureFile;  // TextureFilename (or TextureFileName); empty when none.
                              // A doubled backslash is read as one.
};

// One SkinWeights object: the bone is the frame named frameName (resolved by the caller).
struct XBone {
    std::string frameName;
    std::vector<std::uint32_t> vertices;  // indices into XMesh::positions
    std::vector<float> weights;           // parallel to vertices
    XMatrix offset;                       // mesh space into bone space: skin = offset * combined
};

struct XSkinHeader {
    bool present = false;  // an XSkinMeshHeader was in the file
    std::uint32_t maxWeightsPerVertex = 0;
    std::uint32_t maxWeightsPerFace = 0;
    std::uint32_t boneCount = 0;  // as the header says; bones.size() is what the file holds
};

// One Mesh. Faces are polygons, kept as written (not triangulated): face f has faceSizes[f]
// corners whose vertex indices follow each other in faceIndices, starting at the sum of the
// sizes before it. A face of fewer than three corners draws nothing.
struct XMesh {
    std::string name;
    std::vector<XVec3> positions;
    std::vector<std::uint32_t> faceSizes;
    std::vector<std::uint32_t> faceIndices;  // < positions.size()

    // MeshNormals, or both empty: normal index of every corner, parallel to faceIndices.
    std::vector<XVec3> normals;
    std::vector<std::uint32_t> faceNormalIndices;  // < normals.size()

    std::vector<XVec2> uvs;  // MeshTextureCoords: empty, or one per position

    // MeshVertexColors: empty, or one per position (white where the file gives none). D3DX
    // puts these into the vertex format, where by default they replace the material's diffuse.
    std::vector<XColor> colors;

    // MeshMaterialList, or both empty: one material index per face (< materials.size()).
    std::vector<std::uint32_t> faceMaterials;
    std::vector<XMaterial> materials;

    XSkinHeader skinHeader;
    std::vector<XBone> bones;  // SkinWeights in file order
};

// A frame of the hierarchy. Frames are stored depth first (a frame, then its subtree, then its
// next sibling's), so frames[0] is the root and a parent always comes before its children.
struct XFrame {
    std::string name;
    XMatrix transform;  // FrameTransformMatrix, identity when the frame has none
    std::int32_t parent = -1;
    std::int32_t firstChild = -1;
    std::int32_t nextSibling = -1;
    std::vector<XMesh> meshes;
};

// Animation keys. Times are ticks (seconds * ticks per second), in file order (exporters write
// them rising). A frame's local matrix at a time is scale * rotation * translation in row-vector
// order, each interpolated from its keys; a matrix key stands for all three.
//
// Rotation keys hold the file's four values w, x, y, z unchanged. The file stores the conjugate
// of the quaternion that D3DX's math uses: the frame rotation of a key is
// D3DXMatrixRotationQuaternion(D3DXQUATERNION(-x, -y, -z, w)), which xfile_rotation_matrix()
// builds. Settled on Maya and 3ds Max (kW X-port) exports, whose bind-pose keys give back every
// frame's FrameTransformMatrix only this way (the conjugate-free reading fails on most frames),
// and by hand on a Blender export. Slerp the stored quaternions as they are (slerp commutes with
// conjugation) and convert the result.
struct XRotationKey {
    std::uint32_t time = 0;
    float w = 1, x = 0, y = 0, z = 0;
};
struct XVectorKey {
    std::uint32_t time = 0;
    XVec3 value;
};
// Key types 3 and 4 are both read as matrix keys (the documentation says 3, exporters write 4);
// the 16 floats are in the same order as FrameTransformMatrix and replace the frame's matrix.
struct XMatrixKey {
    std::uint32_t time = 0;
    XMatrix value;
};

constexpr std::uint32_t kXKeyRotation = 0;
constexpr std::uint32_t kXKeyScale = 1;
constexpr std::uint32_t kXKeyPosition = 2;
constexpr std::uint32_t kXKeyMatrix = 3;
constexpr std::uint32_t kXKeyMatrixAlt = 4;

// One Animation: the keys of one frame. frameIndex is the first frame (in the order above) with
// that name, -1 when the file names a frame it does not have or names none.
struct XAnimation {
    std::string name;
    std::string frameName;
    std::int32_t frameIndex = -1;
    std::vector<XRotationKey> rotationKeys;
    std::vector<XVectorKey> scaleKeys;
    std::vector<XVectorKey> positionKeys;
    std::vector<XMatrixKey> matrixKeys;
    bool hasOptions = false;           // an AnimationOptions object was present
    std::uint32_t openClosed = 0;      // as written: 0 closed, 1 open
    std::uint32_t positionQuality = 0; // as written: 0 spline, 1 linear
};

struct XAnimationSet {
    std::string name;
    std::vector<XAnimation> animations;
};

// Used when a file gives no AnimTicksPerSecond (or 0): the rate D3DX is widely reported to
// assume, and 3ds Max's internal tick rate.
constexpr std::uint32_t kXDefaultTicksPerSecond = 4800;

struct XFileScene {
    // Never empty after a successful read. When the file has one top-level frame it is the
    // root. Meshes written outside any frame go, in order, into one unnamed identity frame that
    // takes the place of the first of them among the top-level frames; when that leaves more
    // than one top-level frame, an unnamed identity root holds them all (as D3DX builds it).
    std::vector<XFrame> frames;
    std::vector<XAnimationSet> animationSets;
    std::uint32_t ticksPerSecond = 0;  // AnimTicksPerSecond; 0 when absent (or written as 0)
};

inline std::uint32_t xfile_ticks_per_second(const XFileScene& scene) {
    return scene.ticksPerSecond != 0 ? scene.ticksPerSecond : kXDefaultTicksPerSecond;
}

// The frame rotation of a rotation key as a D3D row-major matrix (see XRotationKey). The
// quaternion is normalised first; a zero quaternion gives the identity.
XMatrix xfile_rotation_matrix(const XRotationKey& key);

// Bounds on what one read may cost. Counts in the file are also checked against the data that
// remains, so these only matter for large, legitimate-looking inputs.
struct XFileLimits {
    std::size_t maxDecompressedBytes = 256u << 20;  // body of a compressed file
    std::size_t maxModelBytes = 512u << 20;         // arrays and names of the records
    int maxDepth = 64;                              // nesting of the objects read (a frame
                                                    // in a frame, a mesh in a frame, ...)
};

// Reads a whole X file from memory. kOk fills *out (replacing what it held); kFail for anything
// malformed, unsupported or out of range; kOutOfMemory when the limits or the allocator run out.
// On failure *out is left empty.
HResult read_xfile(const void* data, std::size_t size, XFileScene* out);
HResult read_xfile(const void* data, std::size_t size, const XFileLimits& limits, XFileScene* out);

}  // namespace brine
