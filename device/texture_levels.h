// The texel images a texture is made of, built from a decoded image the way D3DX builds them:
// level 0 converted to the asked-for format, each further level a 2x2 box average of the one
// above, converted again: what every graphics backend uploads. Pure arithmetic on 0xAARRGGBB
// pixels; must not depend on anything but device/.
#pragma once
#include <cstdint>
#include <vector>

#include "device/decoded_image.h"

namespace brine {

struct TextureLevel {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first
};

// Levels in the full chain of a width x height texture (down to 1 x 1).
std::uint32_t full_mip_count(std::uint32_t width, std::uint32_t height);

// mipLevels 0 or kD3DXDefault: the full chain; otherwise that many, at most the full chain.
// False when the image is empty or its pixel count does not match its size.
bool build_texture_levels(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t format,
                          std::vector<TextureLevel>* levels);

// What storing a texel in `format` does to it: DXT1 and A1R5G5B5 keep one bit of alpha (below 128 is
// transparent, and DXT1's transparent texels are black); formats without alpha make it opaque.
std::uint32_t store_texel(std::uint32_t argb, std::uint32_t format);

// D3DXLoadSurface without filtering: the overlapping top-left part of the image is copied, texels
// equal to colorKey (when it is not 0) become transparent black, the rest of the surface stays
// transparent black. surface holds width * height pixels.
void load_surface_pixels(const DecodedImage& image, std::uint32_t colorKey, std::uint32_t width,
                         std::uint32_t height, std::vector<std::uint32_t>* surface);

}  // namespace brine
