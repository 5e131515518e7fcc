// The in-memory goldfish: skeleton, skinned triangle mesh, materials with their textures and
// the sampled motions. Built by fish_builder, written by x_writer, drawn by the preview.
// Must not depend on the program's own code.
#pragma once
#include <string>
#include <vector>

#include "tools/fishgen/gen_image.h"
#include "tools/fishgen/gen_math.h"

namespace brine {
namespace fishgen {

struct Bone {
    std::string name;
    int parent = -1;  // index into bones, -1 for a child of the root frame
    Vec3 bindPos;     // absolute position in the bind pose (every bind rotation is identity)
};

constexpr int kMaxInfluences = 3;

struct SkinVertex {
    Vec3 pos;
    Vec3 normal;
    double u = 0, v = 0;
    int bone[kMaxInfluences] = {0, 0, 0};
    double weight[kMaxInfluences] = {1, 0, 0};
    int influenceCount = 1;
};

struct Face {
    int a = 0, b = 0, c = 0;
    int material = 0;
};

struct MaterialDef {
    std::string name;
    Rgba diffuse;
    double power = 0;
    Rgba specular;
    Rgba emissive;
    std::string texture;  // pack member name of its texture
};

struct TextureDef {
    std::string name;  // pack member name, <= 23 bytes
    Image image;
};

// Local transform of one bone at one frame: rotation then translation (the parent offset).
struct BoneKey {
    Quat rot;
    Vec3 pos;
};

struct AnimationSetDef {
    std::string name;
    int frameCount = 0;  // keys at frames 0..frameCount-1
    // keys[bone][frame]
    std::vector<std::vector<BoneKey>> keys;
};

struct MotionRecordDef {
    int animationSet = 0;
    int startFrame = 0;
    int endFrame = 0;
};

struct FishModel {
    std::string model;
    std::vector<Bone> bones;
    std::vector<SkinVertex> vertices;
    std::vector<Face> faces;
    std::vector<MaterialDef> materials;
    std::vector<TextureDef> textures;
    std::vector<AnimationSetDef> animationSets;
    std::vector<MotionRecordDef> records;  // hover, cruise, dash, eat
    int fps = 30;
    int ticksPerSecond = 4800;
};

// Local transforms of every bone at a fractional frame of one set: slerp and lerp between keys,
// as the program's controller does.
std::vector<BoneKey> sample_pose(const AnimationSetDef& set, double frame);
// Combined (model space) matrix of every bone for the given local transforms.
std::vector<Mat4> combine_pose(const FishModel& model, const std::vector<BoneKey>& locals);
// Skin matrix per bone: inverse bind (the SkinWeights offset) times combined.
std::vector<Mat4> skin_matrices(const FishModel& model, const std::vector<Mat4>& combined);
Mat4 bone_key_matrix(const BoneKey& key);

}  // namespace fishgen
}  // namespace brine
