#include "device/texture_levels.h"

#include <algorithm>

namespace brine {

std::uint32_t full_mip_count(std::uint32_t width, std::uint32_t height) {
    std::uint32_t size = std::max(width, height), count = 1;
    while (size > 1) {
        size >>= 1;
        ++count;
    }
    return count;
}

std::uint32_t store_texel(std::uint32_t argb, std::uint32_t format) {
    switch (format) {
        case kFmtDxt1:
            return (argb >> 24) >= 128 ? (argb | 0xFF000000u) : 0u;
        case kFmtA1R5G5B5:
            return (argb >> 24) >= 128 ? (argb | 0xFF000000u) : (argb & 0x00FFFFFFu);
        case kFmtX8R8G8B8:
        case kFmtR8G8B8:
        case kFmtR5G6B5:
        case kFmtX1R5G5B5:
            return argb | 0xFF000000u;
        default:
            return argb;  // A8R8G8B8, A4R4G4B4, DXT3/5, or the file's own format
    }
}

namespace {

void downsample(const TextureLevel& above, TextureLevel* level) {
    level->width = std::max(1u, above.width / 2);
    level->height = std::max(1u, above.height / 2);
    level->pixels.resize(static_cast<std::size_t>(level->width) * level->height);
    const std::uint32_t stepX = above.width > 1 ? 1 : 0, stepY = above.height > 1 ? 1 : 0;
    for (std::uint32_t y = 0; y < level->height; ++y) {
        const std::uint32_t* row0 = &above.pixels[static_cast<std::size_t>(y * 2) * above.width];
        const std::uint32_t* row1 = row0 + static_cast<std::size_t>(stepY) * above.width;
        for (std::uint32_t x = 0; x < level->width; ++x) {
            const std::uint32_t sx = x * 2;
            const std::uint32_t quad[4] = {row0[sx], row0[sx + stepX], row1[sx], row1[sx + stepX]};
            std::uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                std::uint32_t sum = 2;  // rounds to nearest
                for (std::uint32_t p : quad) sum += (p >> shift) & 0xFFu;
                out |= ((sum / 4) & 0xFFu) << shift;
            }
            level->pixels[static_cast<std::size_t>(y) * level->width + x] = out;
        }
    }
}

}  // namespace

bool build_texture_levels(const DecodedImage& image, std::uint32_t mipLevels, std::uint32_t format,
                          std::vector<TextureLevel>* levels) {
    levels->clear();
    if (image.width == 0 || image.height == 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return false;
    const std::uint32_t full = full_mip_count(image.width, image.height);
    const std::uint32_t count = (mipLevels == 0 || mipLevels == kD3DXDefault) ? full : std::min(mipLevels, full);
    levels->resize(count);
    TextureLevel& top = (*levels)[0];
    top.width = image.width;
    top.height = image.height;
    top.pixels.resize(image.pixels.size());
    std::transform(image.pixels.begin(), image.pixels.end(), top.pixels.begin(),
                   [format](std::uint32_t p) { return store_texel(p, format); });
    for (std::uint32_t i = 1; i < count; ++i) {
        TextureLevel& level = (*levels)[i];
        downsample((*levels)[i - 1], &level);
        for (std::uint32_t& p : level.pixels) p = store_texel(p, format);
    }
    return true;
}

void load_surface_pixels(const DecodedImage& image, std::uint32_t colorKey, std::uint32_t width,
                         std::uint32_t height, std::vector<std::uint32_t>* surface) {
    surface->assign(static_cast<std::size_t>(width) * height, 0u);
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) return;
    const std::uint32_t w = std::min(width, image.width), h = std::min(height, image.height);
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint32_t* src = &image.pixels[static_cast<std::size_t>(y) * image.width];
        std::uint32_t* dst = &(*surface)[static_cast<std::size_t>(y) * width];
        for (std::uint32_t x = 0; x < w; ++x) dst[x] = (colorKey != 0 && src[x] == colorKey) ? 0u : src[x];
    }
}

}  // namespace brine
