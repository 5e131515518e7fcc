#include "platform/linux/fvf_layout.h"

namespace brine {

namespace {

constexpr std::uint32_t kPositionMask = 0x400E;
constexpr std::uint32_t kPsize = 0x020, kSpecular = 0x080;
constexpr std::uint32_t kLastBetaUbyte4 = 0x1000, kLastBetaD3dColor = 0x8000;
constexpr std::uint32_t kTexCountShift = 8, kTexCountMask = 0xF00;
constexpr std::uint32_t kKnownBits = 0x400E | 0x010 | kPsize | 0x040 | kSpecular | kTexCountMask | kLastBetaUbyte4 |
                                     kLastBetaD3dColor | 0xFFFF0000u;

std::uint32_t texcoord_floats(std::uint32_t fvf, std::uint32_t set) {
    switch ((fvf >> (16 + set * 2)) & 3u) {
        case 0: return 2;
        case 1: return 3;
        case 2: return 4;
        default: return 1;
    }
}

}  // namespace

bool parse_fvf(std::uint32_t fvf, FvfLayout* layout) {
    *layout = FvfLayout{};
    if (fvf & ~kKnownBits) return false;
    std::uint32_t betas = 0;
    switch (fvf & kPositionMask) {
        case 0x002: betas = 0; break;
        case 0x006: betas = 1; break;
        case 0x008: betas = 2; break;
        case 0x00A: betas = 3; break;
        case 0x00C: betas = 4; break;
        case 0x00E: betas = 5; break;
        default: return false;  // none, XYZRHW, XYZW
    }
    // With a LASTBETA flag the last beta carries matrix indices, not a weight.
    std::uint32_t weights = betas;
    if (betas > 0 && (fvf & (kLastBetaUbyte4 | kLastBetaD3dColor))) --weights;
    std::uint32_t offset = 12;
    layout->weightOffset = offset;
    layout->weightCount = weights;
    offset += betas * 4;
    if (fvf & 0x010) {
        layout->hasNormal = true;
        layout->normalOffset = offset;
        offset += 12;
    }
    if (fvf & kPsize) offset += 4;
    if (fvf & 0x040) {
        layout->hasDiffuse = true;
        layout->diffuseOffset = offset;
        offset += 4;
    }
    if (fvf & kSpecular) offset += 4;
    std::uint32_t sets = (fvf & kTexCountMask) >> kTexCountShift;
    if (sets > 8) return false;
    layout->texCoordSets = sets;
    for (std::uint32_t s = 0; s < sets; ++s) {
        if (s == 0) {
            layout->texCoordOffset = offset;
            layout->texCoordSize = texcoord_floats(fvf, 0);
        }
        offset += texcoord_floats(fvf, s) * 4;
    }
    layout->size = offset;
    return true;
}

}  // namespace brine
