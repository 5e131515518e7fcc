// A decoded image as the device's texture and surface creation takes it, with the image
// information D3DX reported for the file. Decoders live in data/image_decode.h.
// Must not depend on anything but the standard library and device/d3d_types.h.
#pragma once
#include <cstdint>
#include <vector>

#include "device/d3d_types.h"

namespace brine {

struct DecodedImage {
    ImageInfo info{};                   // width, height, depth 1, mip levels, file format, source format
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows top first, width * height
    bool hasAlpha = false;              // the source carried an alpha channel
    // The levels below the top one that the file itself held (DDS only; empty otherwise):
    // mips[i] is level i + 1, max(1, width >> (i + 1)) by max(1, height >> (i + 1)) texels in
    // the same layout. A backend that wants a full chain builds what is missing itself.
    std::vector<std::vector<std::uint32_t>> mips;
};

}  // namespace brine
