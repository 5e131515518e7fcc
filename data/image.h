// A decoded image as the device's texture and surface creation takes it, with the image
// information D3DX reported for the file. Decoders live in data/image_decode.h.
// Must not depend on anything but the standard library and render/d3d_types.h.
#pragma once
#include <cstdint>
#include <vector>

#include "render/d3d_types.h"

namespace brine {

struct DecodedImage {
    ImageInfo info{};                   // width, height, depth 1, mip levels, file format, source format
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows top first, width * height
    bool hasAlpha = false;              // the source carried an alpha channel
};

}  // namespace brine
