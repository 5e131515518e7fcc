// What a texture of a given format holds after loading, and D3DX colour keying, so every
// device backend shows the same texels.
#include <gtest/gtest.h>

#include "data/image_decode.h"

namespace brine {
namespace {

DecodedImage image_of(std::vector<std::uint32_t> top, std::vector<std::uint32_t> mip = {}) {
    DecodedImage img;
    img.width = static_cast<std::uint32_t>(top.size());
    img.height = 1;
    img.pixels = std::move(top);
    if (!mip.empty()) img.mips.push_back(std::move(mip));
    img.hasAlpha = true;
    return img;
}

TEST(ConvertForFormat, Dxt1KeepsOneBitAlphaOnEveryLevel) {
    DecodedImage img = image_of({0x7F123456, 0x80123456, 0x00FFFFFF, 0xFFABCDEF}, {0x10FFFFFF});
    ASSERT_EQ(convert_for_format(img, kFmtDxt1), kOk);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0x00000000, 0xFF123456, 0x00000000, 0xFFABCDEF}));
    EXPECT_EQ(img.mips[0], std::vector<std::uint32_t>{0x00000000});
    EXPECT_TRUE(img.hasAlpha);  // describes the source, not the texture
}

TEST(ConvertForFormat, Dxt3KeepsFourBitsAndDxt5Everything) {
    // 136 is 8 of 15 exactly; 18 is 1.06 of 15 -> 17; 250 is 14.7 -> 255.
    DecodedImage img = image_of({0x88010203, 0x12010203, 0xFA010203});
    ASSERT_EQ(convert_for_format(img, kFmtDxt3), kOk);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0x88010203, 0x11010203, 0xFF010203}));
    DecodedImage five = image_of({0x12345678, 0x00000001});
    ASSERT_EQ(convert_for_format(five, kFmtDxt5), kOk);
    EXPECT_EQ(five.pixels, (std::vector<std::uint32_t>{0x12345678, 0x00000001}));
}

TEST(ConvertForFormat, FormatsWithoutAlphaAreOpaque) {
    for (std::uint32_t format : {std::uint32_t{kFmtX8R8G8B8}, std::uint32_t{kFmtR8G8B8}, std::uint32_t{kFmtX8B8G8R8}}) {
        DecodedImage img = image_of({0x00123456, 0x7FABCDEF}, {0x00000000});
        ASSERT_EQ(convert_for_format(img, format), kOk) << format;
        EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF123456, 0xFFABCDEF})) << format;
        EXPECT_EQ(img.mips[0], std::vector<std::uint32_t>{0xFF000000}) << format;
    }
}

TEST(ConvertForFormat, SixteenBitFormatsKeepTheirChannelDepths) {
    DecodedImage img = image_of({0x80FF7F01});
    ASSERT_EQ(convert_for_format(img, kFmtR5G6B5), kOk);
    // red 255 -> 31 -> 255; green 127 -> 31 of 63 -> 125; blue 1 -> 0 -> 0
    EXPECT_EQ(img.pixels[0], 0xFFFF7D00u);
    img = image_of({0x7FFF7F01, 0x80000000});
    ASSERT_EQ(convert_for_format(img, kFmtA1R5G5B5), kOk);
    // green 127 -> 15 of 31 -> 123; alpha thresholded at 128, the colour stays
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0x00FF7B00, 0xFF000000}));
    img = image_of({0x7FFF7F01});
    ASSERT_EQ(convert_for_format(img, kFmtA4R4G4B4), kOk);
    // alpha 127 -> 7 -> 119, green 127 -> 7 -> 119, blue 1 -> 0
    EXPECT_EQ(img.pixels[0], 0x77FF7700u);
    img = image_of({0x00FF7F01});
    ASSERT_EQ(convert_for_format(img, kFmtX1R5G5B5), kOk);
    EXPECT_EQ(img.pixels[0], 0xFFFF7B00u);
}

TEST(ConvertForFormat, DefaultChangesNothingAndUnknownIsRefused) {
    DecodedImage img = image_of({0x12345678});
    EXPECT_EQ(convert_for_format(img, kD3DXDefault), kOk);
    EXPECT_EQ(convert_for_format(img, kFmtUnknown), kOk);
    EXPECT_EQ(convert_for_format(img, kFmtD24S8), kInvalidArg);
    EXPECT_EQ(img.pixels[0], 0x12345678u);
}

TEST(ApplyColorKey, MatchesTheWholeArgbValue) {
    DecodedImage img = image_of({0xFF000000, 0xFE000000, 0xFF000001, 0x00000000}, {0xFF000000});
    apply_color_key(img, 0xFF000000);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0x00000000, 0xFE000000, 0xFF000001, 0x00000000}));
    EXPECT_EQ(img.mips[0], std::vector<std::uint32_t>{0x00000000});
}

TEST(ApplyColorKey, ZeroDisablesKeying) {
    DecodedImage img = image_of({0x00000000, 0xFF000000});
    apply_color_key(img, 0);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0x00000000, 0xFF000000}));
}

TEST(ApplyColorKey, KeyedBlackOnAnOpaqueSurfaceStaysBlack) {
    // The wallpaper: keyed with opaque black, then held in an X8R8G8B8 surface.
    DecodedImage img = image_of({0xFF000000, 0xFF102030});
    apply_color_key(img, 0xFF000000);
    ASSERT_EQ(convert_for_format(img, kFmtX8R8G8B8), kOk);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF000000, 0xFF102030}));
}

}  // namespace
}  // namespace brine
