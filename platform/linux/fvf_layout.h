// Byte layout of a Direct3D flexible vertex format (FVF) code, as the OpenGL device feeds its
// vertex arrays from it. Pure arithmetic: no OpenGL, no Qt, so it can be checked on its own.
#pragma once
#include <cstdint>

namespace brine {

struct FvfLayout {
    std::uint32_t size = 0;             // bytes one vertex of this format takes
    std::uint32_t weightCount = 0;      // float blend weights after the position (0..5)
    std::uint32_t weightOffset = 12;
    bool hasNormal = false;
    std::uint32_t normalOffset = 0;
    bool hasDiffuse = false;
    std::uint32_t diffuseOffset = 0;
    std::uint32_t texCoordSets = 0;     // sets in the vertex; only set 0 is read
    std::uint32_t texCoordOffset = 0;   // of set 0
    std::uint32_t texCoordSize = 0;     // floats in set 0 (1..4)
};

// False for codes the device cannot draw: no XYZ-style position (pre-transformed XYZRHW and XYZW
// included) or a tail of bits Direct3D 9 does not define.
bool parse_fvf(std::uint32_t fvf, FvfLayout* layout);

}  // namespace brine
