// Texture level building: the texels a texture is made of on every graphics backend.
#include <gtest/gtest.h>

#include "device/texture_levels.h"

namespace brine {

namespace {

DecodedImage image_of(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> pixels) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels = std::move(pixels);
    return image;
}

}  // namespace

TEST(TextureLevels, FullChainHalvesDownToOnePixel) {
    EXPECT_EQ(full_mip_count(1, 1), 1u);
    EXPECT_EQ(full_mip_count(256, 256), 9u);
    EXPECT_EQ(full_mip_count(64, 16), 7u);
    EXPECT_EQ(full_mip_count(5, 3), 3u);
    std::vector<TextureLevel> levels;
    ASSERT_TRUE(build_texture_levels(image_of(5, 3, std::vector<std::uint32_t>(15, 0xFF000000)), kD3DXDefault,
                                     kFmtA8R8G8B8, &levels));
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[1].width, 2u);
    EXPECT_EQ(levels[1].height, 1u);
    EXPECT_EQ(levels[2].width, 1u);
    EXPECT_EQ(levels[2].height, 1u);
    ASSERT_TRUE(build_texture_levels(image_of(4, 4, std::vector<std::uint32_t>(16, 0)), 2, kFmtA8R8G8B8, &levels));
    EXPECT_EQ(levels.size(), 2u);
    ASSERT_TRUE(build_texture_levels(image_of(4, 4, std::vector<std::uint32_t>(16, 0)), 0, kFmtA8R8G8B8, &levels));
    EXPECT_EQ(levels.size(), 3u);
    ASSERT_TRUE(build_texture_levels(image_of(4, 4, std::vector<std::uint32_t>(16, 0)), 99, kFmtA8R8G8B8, &levels));
    EXPECT_EQ(levels.size(), 3u);
}

TEST(TextureLevels, BoxFilterAveragesEachChannel) {
    std::vector<TextureLevel> levels;
    // One 2x2 block of four different texels, and a 1-pixel-high strip (pairs only).
    ASSERT_TRUE(build_texture_levels(image_of(2, 2, {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}), kD3DXDefault,
                                     kFmtA8R8G8B8, &levels));
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[1].pixels[0], 0x40404040u);  // 255 / 4 rounds to 64
    ASSERT_TRUE(build_texture_levels(image_of(4, 1, {0xFF102030, 0xFF304050, 0xFF000000, 0xFF000002}), 2,
                                     kFmtA8R8G8B8, &levels));
    EXPECT_EQ(levels[1].pixels[0], 0xFF203040u);
    EXPECT_EQ(levels[1].pixels[1], 0xFF000001u);
}

TEST(TextureLevels, FormatsDecideWhatAlphaSurvives) {
    // DXT1 keeps one bit: alpha 128 and above is opaque, below is transparent black.
    EXPECT_EQ(store_texel(0x80123456, kFmtDxt1), 0xFF123456u);
    EXPECT_EQ(store_texel(0x7F123456, kFmtDxt1), 0x00000000u);
    EXPECT_EQ(store_texel(0x7F123456, kFmtA1R5G5B5), 0x00123456u);
    EXPECT_EQ(store_texel(0x00123456, kFmtX8R8G8B8), 0xFF123456u);
    EXPECT_EQ(store_texel(0x00123456, kFmtR5G6B5), 0xFF123456u);
    EXPECT_EQ(store_texel(0x12345678, kFmtA8R8G8B8), 0x12345678u);
    EXPECT_EQ(store_texel(0x12345678, kFmtDxt5), 0x12345678u);
    // Every level is stored in the format: a half-transparent average is thresholded again.
    std::vector<TextureLevel> levels;
    ASSERT_TRUE(build_texture_levels(image_of(2, 1, {0xFFFFFFFF, 0x00000000}), kD3DXDefault, kFmtDxt1, &levels));
    EXPECT_EQ(levels[1].pixels[0], 0xFF808080u);  // alpha 128: opaque, colour darkened by the black texel
    ASSERT_TRUE(build_texture_levels(image_of(2, 2, {0xFFFFFFFF, 0x00000000, 0x00000000, 0x00000000}), 2, kFmtDxt1,
                                     &levels));
    EXPECT_EQ(levels[1].pixels[0], 0x00000000u);  // alpha 64: transparent black
}

TEST(TextureLevels, RefusesImagesThatDoNotAddUp) {
    std::vector<TextureLevel> levels;
    EXPECT_FALSE(build_texture_levels(image_of(0, 0, {}), 1, kFmtA8R8G8B8, &levels));
    EXPECT_FALSE(build_texture_levels(image_of(4, 4, std::vector<std::uint32_t>(15, 0)), 1, kFmtA8R8G8B8, &levels));
    EXPECT_TRUE(levels.empty());
}

TEST(TextureLevels, SurfaceLoadCopiesTheOverlapAndKeysColours) {
    const DecodedImage image = image_of(3, 2, {0xFF000000, 0xFF112233, 0xFF000000, 0xFF445566, 0xFF000000, 0xFF778899});
    std::vector<std::uint32_t> surface;
    load_surface_pixels(image, 0xFF000000, 3, 2, &surface);
    EXPECT_EQ(surface, (std::vector<std::uint32_t>{0, 0xFF112233, 0, 0xFF445566, 0, 0xFF778899}));
    load_surface_pixels(image, 0, 2, 3, &surface);  // no key; a surface of another size
    EXPECT_EQ(surface, (std::vector<std::uint32_t>{0xFF000000, 0xFF112233, 0xFF445566, 0xFF000000, 0, 0}));
    DecodedImage broken = image;
    broken.pixels.pop_back();
    load_surface_pixels(broken, 0, 3, 2, &surface);
    EXPECT_EQ(surface, std::vector<std::uint32_t>(6, 0u));
}

}  // namespace brine
