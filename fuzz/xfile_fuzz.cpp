// libFuzzer target for the X-file reader: any input must be read or refused without a crash,
// and whatever is read must keep the promises of xfile_reader.h (every index in range).
// Depends on the core library only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fish/xfile_reader.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void check_scene(const brine::XFileScene& s) {
    using namespace brine;
    check(!s.frames.empty());
    const auto frameCount = static_cast<std::int32_t>(s.frames.size());
    for (std::int32_t i = 0; i < frameCount; ++i) {
        const XFrame& f = s.frames[i];
        check(f.parent < i && (i == 0) == (f.parent < 0));
        check(f.firstChild < 0 || (f.firstChild > i && f.firstChild < frameCount));
        check(f.nextSibling < 0 || (f.nextSibling > i && f.nextSibling < frameCount));
        for (const XMesh& m : f.meshes) {
            std::size_t corners = 0;
            for (std::uint32_t n : m.faceSizes) corners += n;
            check(corners == m.faceIndices.size());
            for (std::uint32_t v : m.faceIndices) check(v < m.positions.size());
            check(m.faceNormalIndices.empty() || m.faceNormalIndices.size() == corners);
            for (std::uint32_t v : m.faceNormalIndices) check(v < m.normals.size());
            check(m.uvs.empty() || m.uvs.size() == m.positions.size());
            check(m.colors.empty() || m.colors.size() == m.positions.size());
            check(m.faceMaterials.empty() || m.faceMaterials.size() == m.faceSizes.size());
            for (std::uint32_t i2 : m.faceMaterials) check(i2 < m.materials.size());
            for (const XBone& b : m.bones) {
                check(b.vertices.size() == b.weights.size());
                for (std::uint32_t v : b.vertices) check(v < m.positions.size());
            }
        }
    }
    for (const XAnimationSet& set : s.animationSets) {
        for (const XAnimation& a : set.animations) {
            check(a.frameIndex < frameCount);
            check(a.frameIndex < 0 || s.frames[a.frameIndex].name == a.frameName);
            for (const XRotationKey& k : a.rotationKeys) (void)xfile_rotation_matrix(k);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brine::XFileLimits limits;
    limits.maxDecompressedBytes = 32u << 20;
    limits.maxModelBytes = 128u << 20;
    brine::XFileScene scene;
    brine::HResult r = brine::read_xfile(data, size, limits, &scene);
    if (brine::succeeded(r)) {
        check_scene(scene);
    } else {
        check(scene.frames.empty() && scene.animationSets.empty());
    }
    return 0;
}
