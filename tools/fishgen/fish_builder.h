// Builds one goldfish kind from its KindSpec: skeleton, lofted and skinned body, fins, eyes,
// materials, textures and the four sampled motions. Deterministic: same kind description, same model.
// Must not depend on the program's own code.
#pragma once
#include "tools/fishgen/fish_kinds.h"
#include "tools/fishgen/fish_model.h"

namespace brine {
namespace fishgen {

// Bone order of every fish; Dorsal exists only for kinds with a dorsal fin (then it is last).
enum BoneId {
    kHead,
    kSpine1,
    kSpine2,
    kSpine3,
    kTailRoot,
    kCaudal,
    kCaudalTip,   // upper lobe of a single tail, left lobe of a twin tail
    kCaudalTip2,  // lower lobe of a single tail, right lobe of a twin tail
    kJaw,
    kPectoralL,
    kPectoralR,
    kPelvicL,
    kPelvicR,
    kDorsal,
};

FishModel build_fish(const KindSpec& kind);

// Parts of the build, exposed for tests and the preview.
void build_skeleton(const KindSpec& kind, FishModel* model);
void build_geometry(const KindSpec& kind, FishModel* model);
void build_motions(const KindSpec& kind, FishModel* model);
void build_textures(const KindSpec& kind, FishModel* model);

}  // namespace fishgen
}  // namespace brine
