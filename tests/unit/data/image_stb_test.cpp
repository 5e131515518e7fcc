// JPEG, PNG and BMP: files written by stb_image_write or laid out by hand, decoded back with the
// image information D3DX would report, and headers that must be refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "data/image_decode.h"
#include "tests/unit/data/image_test_files.h"

namespace brine {
namespace {

using test::Bytes;
using test::hand_bmp;
using test::insert_chunk;
using test::pattern_rgba;

std::uint32_t argb_at(const Bytes& rgba, std::size_t i, bool keepAlpha) {
    const unsigned char* p = &rgba[4 * i];
    return (keepAlpha ? static_cast<std::uint32_t>(p[3]) << 24 : 0xFF000000u) | (static_cast<std::uint32_t>(p[0]) << 16) |
           (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
}

Bytes drop_alpha(const Bytes& rgba) {
    Bytes rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
    return rgb;
}

void expect_plain_info(const ImageInfo& info, std::uint32_t w, std::uint32_t h, std::uint32_t format,
                       std::uint32_t fileFormat) {
    EXPECT_EQ(info.width, w);
    EXPECT_EQ(info.height, h);
    EXPECT_EQ(info.depth, 1u);
    EXPECT_EQ(info.mipLevels, 1u);
    EXPECT_EQ(info.format, format);
    EXPECT_EQ(info.resourceType, kRtypeTexture);
    EXPECT_EQ(info.imageFileFormat, fileFormat);
}

TEST(PngImage, RgbaRoundTripKeepsAlpha) {
    const Bytes rgba = pattern_rgba(5, 3, true);
    const Bytes file = test::write_png(5, 3, 4, rgba.data());
    ImageInfo info{};
    ASSERT_EQ(get_image_info(file.data(), file.size(), &info), kOk);
    expect_plain_info(info, 5, 3, kFmtA8R8G8B8, kIffPng);
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_TRUE(img.mips.empty());
    ASSERT_EQ(img.pixels.size(), 15u);
    for (std::size_t i = 0; i < 15; ++i) EXPECT_EQ(img.pixels[i], argb_at(rgba, i, true)) << i;
}

TEST(PngImage, RgbAndGreyAreOpaque) {
    const Bytes rgba = pattern_rgba(4, 2, false);
    const Bytes rgb = drop_alpha(rgba);
    const Bytes file = test::write_png(4, 2, 3, rgb.data());
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    expect_plain_info(img.info, 4, 2, kFmtX8R8G8B8, kIffPng);
    EXPECT_FALSE(img.hasAlpha);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(img.pixels[i], argb_at(rgba, i, false)) << i;
    const unsigned char grey[4] = {0, 85, 170, 255};
    const Bytes greyFile = test::write_png(2, 2, 1, grey);
    ASSERT_EQ(decode_image(greyFile.data(), greyFile.size(), &img), kOk);
    EXPECT_EQ(img.info.format, kFmtX8R8G8B8);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
}

TEST(PngImage, TransparencyChunkGivesAlpha) {
    const unsigned char rgb[6] = {10, 20, 30, 40, 50, 60};
    const Bytes plain = test::write_png(2, 1, 3, rgb);
    // tRNS of an RGB image: one 16-bit colour that becomes transparent.
    const Bytes keyed = insert_chunk(plain, "tRNS", {0, 40, 0, 50, 0, 60});
    ImageInfo info{};
    ASSERT_EQ(get_image_info(keyed.data(), keyed.size(), &info), kOk);
    EXPECT_EQ(info.format, kFmtA8R8G8B8);
    DecodedImage img;
    ASSERT_EQ(decode_image(keyed.data(), keyed.size(), &img), kOk);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF0A141E, 0x0028323C}));
}

TEST(JpegImage, RoundTripWithinJpegTolerance) {
    const int w = 16, h = 8;
    Bytes rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rgb.push_back(static_cast<unsigned char>(60 + 8 * x));
            rgb.push_back(static_cast<unsigned char>(200 - 10 * y));
            rgb.push_back(static_cast<unsigned char>(90 + 4 * (x + y)));
        }
    const Bytes file = test::write_jpeg(w, h, 3, rgb.data(), 95);
    ImageInfo info{};
    ASSERT_EQ(get_image_info(file.data(), file.size(), &info), kOk);
    expect_plain_info(info, w, h, kFmtX8R8G8B8, kIffJpg);
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_FALSE(img.hasAlpha);
    ASSERT_EQ(img.pixels.size(), static_cast<std::size_t>(w * h));
    for (int i = 0; i < w * h; ++i) {
        EXPECT_EQ(img.pixels[i] >> 24, 255u);
        for (int c = 0; c < 3; ++c) {
            const int got = static_cast<int>((img.pixels[i] >> (16 - 8 * c)) & 255);
            EXPECT_LE(std::abs(got - rgb[3 * i + c]), 10) << i << "/" << c;
        }
    }
}

TEST(BmpImage, TwentyFourAndThirtyTwoBitRoundTrips) {
    const Bytes rgba = pattern_rgba(3, 3, true);
    const Bytes rgb = drop_alpha(rgba);
    const Bytes file24 = test::write_bmp(3, 3, 3, rgb.data());  // rows padded to four bytes
    DecodedImage img;
    ASSERT_EQ(decode_image(file24.data(), file24.size(), &img), kOk);
    expect_plain_info(img.info, 3, 3, kFmtR8G8B8, kIffBmp);
    EXPECT_FALSE(img.hasAlpha);
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(img.pixels[i], argb_at(rgba, i, false)) << i;
    // stb_image_write gives RGBA a V4 header with bit fields and an alpha mask.
    const Bytes file32 = test::write_bmp(3, 3, 4, rgba.data());
    ASSERT_EQ(decode_image(file32.data(), file32.size(), &img), kOk);
    expect_plain_info(img.info, 3, 3, kFmtA8R8G8B8, kIffBmp);
    EXPECT_TRUE(img.hasAlpha);
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(img.pixels[i], argb_at(rgba, i, true)) << i;
}

TEST(BmpImage, FormatFollowsTheBitDepth) {
    DecodedImage img;
    // 16-bit 565 bit fields, 2 x 2, bottom row first: red green / blue white on top.
    Bytes masks;
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) test::append_le32(masks, m);
    Bytes rows;
    for (std::uint32_t v : {0x001Fu, 0xFFFFu, 0xF800u, 0x07E0u}) test::append_le16(rows, v);
    Bytes bmp = hand_bmp(2, 2, 16, 3, masks, rows);
    ASSERT_EQ(decode_image(bmp.data(), bmp.size(), &img), kOk);
    EXPECT_EQ(img.info.format, kFmtR5G6B5);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    // 16-bit without bit fields is 555.
    bmp = hand_bmp(2, 2, 16, 0, {}, rows);
    ASSERT_EQ(get_image_info(bmp.data(), bmp.size(), &img.info), kOk);
    EXPECT_EQ(img.info.format, kFmtX1R5G5B5);
    // 8-bit with a palette, top-down (negative height).
    Bytes palette;
    for (std::uint32_t c : {0x00112233u, 0x00445566u}) test::append_le32(palette, c);
    bmp = hand_bmp(2, -2, 8, 0, palette, {0, 1, 0, 0, 1, 1, 0, 0});
    ASSERT_EQ(decode_image(bmp.data(), bmp.size(), &img), kOk);
    EXPECT_EQ(img.info.format, kFmtP8);
    EXPECT_EQ(img.info.height, 2u);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF112233, 0xFF445566, 0xFF445566, 0xFF445566}));
}

TEST(BmpImage, PlainThirtyTwoBitIgnoresTheFourthByte) {
    // BI_RGB 32-bit has no alpha in the file's terms; stb_image alone would read the pad byte.
    Bytes rows;
    for (std::uint32_t v : {0x10203040u, 0x7F506070u}) test::append_le32(rows, v);
    const Bytes bmp = hand_bmp(2, 1, 32, 0, {}, rows);
    DecodedImage img;
    ASSERT_EQ(decode_image(bmp.data(), bmp.size(), &img), kOk);
    EXPECT_EQ(img.info.format, kFmtX8R8G8B8);
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF203040, 0xFF506070}));
}

TEST(ImageHostile, HeadersBeyondTheLimitsAreRefused) {
    const Bytes rgb(12, 7);
    Bytes png = test::write_png(2, 2, 3, rgb.data());
    ImageInfo info{};
    DecodedImage img;
    // IHDR patched to 16384 x 16384: too many texels, refused from the header alone.
    const Bytes big = {0, 0, 0x40, 0, 0, 0, 0x40, 0};
    std::copy(big.begin(), big.end(), png.begin() + 16);
    EXPECT_EQ(get_image_info(png.data(), png.size(), &info), kD3DXErrInvalidData);
    EXPECT_EQ(decode_image(png.data(), png.size(), &img), kD3DXErrInvalidData);
    std::fill(png.begin() + 16, png.begin() + 24, 0);  // 0 x 0
    EXPECT_EQ(get_image_info(png.data(), png.size(), &info), kD3DXErrInvalidData);
    // BMP heights of INT_MIN and widths of zero or below.
    for (auto [w, h] : {std::pair<std::int32_t, std::int32_t>{2, INT32_MIN}, {0, 2}, {-2, 2}, {16385, 1}}) {
        const Bytes bmp = hand_bmp(w, h, 24, 0, {}, Bytes(64, 0));
        EXPECT_EQ(get_image_info(bmp.data(), bmp.size(), &info), kD3DXErrInvalidData) << w << "x" << h;
        EXPECT_EQ(decode_image(bmp.data(), bmp.size(), &img), kD3DXErrInvalidData) << w << "x" << h;
    }
    // Run-length BMPs are not read.
    const Bytes rle = hand_bmp(2, 2, 8, 1, Bytes(8, 0), Bytes(8, 0));
    EXPECT_EQ(get_image_info(rle.data(), rle.size(), &info), kD3DXErrInvalidData);
    // Unknown bytes, and a format stb_image could read but D3DX's stand-in does not (GIF).
    const char gif[] = "GIF89a\x01\x00\x01\x00\x00\x00\x00;";
    EXPECT_EQ(get_image_info(gif, sizeof gif, &info), kD3DXErrInvalidData);
    EXPECT_EQ(decode_image(gif, sizeof gif, &img), kD3DXErrInvalidData);
}

TEST(ImageHostile, PngChunksClaimingMoreThanTheFileAreRefused) {
    const Bytes rgba = pattern_rgba(4, 4, true);
    const Bytes png = test::write_png(4, 4, 4, rgba.data());
    ImageInfo info{};
    DecodedImage img;
    // The first chunk after IHDR is the image data; claim nearly 2 GiB of it.
    ASSERT_EQ(std::string(png.begin() + 37, png.begin() + 41), "IDAT");
    for (std::uint32_t claim : {0x7FFF0000u, 0xFFFFFFF0u, static_cast<std::uint32_t>(png.size())}) {
        Bytes lying = png;
        for (int k = 0; k < 4; ++k) lying[33 + k] = static_cast<unsigned char>(claim >> (24 - 8 * k));
        EXPECT_EQ(get_image_info(lying.data(), lying.size(), &info), kD3DXErrInvalidData) << claim;
        EXPECT_EQ(decode_image(lying.data(), lying.size(), &img), kD3DXErrInvalidData) << claim;
    }
}

TEST(ImageHostile, JpegHuffmanTableWithTooManyCodesIsRefused) {
    const Bytes grey(64, 128);
    const Bytes jpeg = test::write_jpeg(8, 8, 1, grey.data(), 90);
    std::size_t dht = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size() && dht == 0; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4) dht = i;
    ASSERT_NE(dht, 0u);
    ImageInfo info{};
    DecodedImage img;
    ASSERT_EQ(decode_image(jpeg.data(), jpeg.size(), &img), kOk);
    // Sixteen counts of 255 in the first table: 4080 codes for a table that holds 256. The
    // segment length still has to add up, as it would in a crafted file.
    Bytes bad(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(dht));
    const std::uint32_t length = 2 + 17 + 4080;
    bad.insert(bad.end(), {0xFF, 0xC4, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length), 0x00});
    bad.insert(bad.end(), 16, 255);
    bad.insert(bad.end(), 4080, 1);
    const std::size_t oldLength = (static_cast<std::size_t>(jpeg[dht + 2]) << 8) | jpeg[dht + 3];
    bad.insert(bad.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(dht + 2 + oldLength), jpeg.end());
    EXPECT_EQ(get_image_info(bad.data(), bad.size(), &info), kD3DXErrInvalidData);
    EXPECT_EQ(decode_image(bad.data(), bad.size(), &img), kD3DXErrInvalidData);
    EXPECT_TRUE(img.pixels.empty());
}

TEST(ImageHostile, TruncatedPngFailsToDecodeAndLeavesNothing) {
    const Bytes rgba = pattern_rgba(6, 6, true);
    const Bytes png = test::write_png(6, 6, 4, rgba.data());
    DecodedImage img;
    for (std::size_t n = 1; n + 12 < png.size(); ++n) {  // everything short of IEND
        img.pixels.assign(2, 9);
        EXPECT_TRUE(failed(decode_image(png.data(), n, &img))) << n;
        EXPECT_TRUE(img.pixels.empty()) << n;
    }
}

}  // namespace
}  // namespace brine
