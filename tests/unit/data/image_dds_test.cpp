// DDS files: masked pixel formats, DXT images with odd sizes and mip levels, the image
// information reported, and headers that lie about sizes or formats.
#include <gtest/gtest.h>

#include "data/dds_reader.h"
#include "data/image_decode.h"
#include "tests/unit/data/image_test_files.h"

namespace brine {
namespace {

using test::Bytes;
using test::dds_compressed;
using test::dds_masked;
using test::DdsSpec;
using test::make_dds;
using test::make_fourcc;

Bytes le_pixels(std::initializer_list<std::uint32_t> values, int bytesPerPixel) {
    Bytes out;
    for (std::uint32_t v : values)
        for (int k = 0; k < bytesPerPixel; ++k) out.push_back(static_cast<unsigned char>(v >> (8 * k)));
    return out;
}

struct MaskedCase {
    const char* name;
    std::uint32_t bits, r, g, b, a;
    bool luminanceFlag;
    std::uint32_t in0, in1;    // two stored pixels
    std::uint32_t out0, out1;  // their ARGB texels
    std::uint32_t format;      // what the image information names
};

const MaskedCase kMaskedCases[] = {
    {"A8R8G8B8", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, false, 0x80112233, 0x00FFFFFF, 0x80112233, 0x00FFFFFF, kFmtA8R8G8B8},
    {"X8R8G8B8 ignores the X byte", 32, 0xFF0000, 0xFF00, 0xFF, 0, false, 0x7F112233, 0x00000001, 0xFF112233, 0xFF000001, kFmtX8R8G8B8},
    {"A8B8G8R8", 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u, false, 0x80332211, 0xFF0000FF, 0x80112233, 0xFFFF0000, kFmtA8B8G8R8},
    {"R5G6B5", 16, 0xF800, 0x07E0, 0x001F, 0, false, 0xF800, 0x0821, 0xFFFF0000, 0xFF080408, kFmtR5G6B5},
    {"X1R5G5B5", 16, 0x7C00, 0x03E0, 0x001F, 0, false, 0x7C00, 0x8000, 0xFFFF0000, 0xFF000000, kFmtX1R5G5B5},
    {"A1R5G5B5", 16, 0x7C00, 0x03E0, 0x001F, 0x8000, false, 0x001F, 0x801F, 0x000000FF, 0xFF0000FF, kFmtA1R5G5B5},
    {"A4R4G4B4", 16, 0x0F00, 0x00F0, 0x000F, 0xF000, false, 0x8F00, 0x1234, 0x88FF0000, 0x11223344, kFmtA4R4G4B4},
    {"R8G8B8", 24, 0xFF0000, 0xFF00, 0xFF, 0, false, 0x112233, 0xABCDEF, 0xFF112233, 0xFFABCDEF, kFmtR8G8B8},
    {"L8", 8, 0xFF, 0, 0, 0, true, 0x40, 0xFF, 0xFF404040, 0xFFFFFFFF, kFmtL8},
    {"A8L8", 16, 0xFF, 0, 0, 0xFF00, true, 0x8040, 0x00FF, 0x80404040, 0x00FFFFFF, kFmtA8L8},
    {"A8", 8, 0, 0, 0, 0xFF, false, 0x80, 0x00, 0x80000000, 0x00000000, kFmtA8},
    {"A2R10G10B10", 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u, false, 0x7FF00000, 0x800FFC00, 0x55FF0000, 0xAA00FF00, kFmtA2R10G10B10},
    // Masks no D3D format names still decode; the information names the nearest 8-bit format.
    {"R8G8B8A8 order", 32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF, false, 0x11223380, 0xFF0000FF, 0x80112233, 0xFFFF0000, kFmtA8R8G8B8},
    {"red-only is grey", 8, 0xFF, 0, 0, 0, false, 0x10, 0x20, 0xFF101010, 0xFF202020, kFmtL8},
};

TEST(DdsMasked, DecodesEachPixelFormat) {
    for (const MaskedCase& c : kMaskedCases) {
        SCOPED_TRACE(c.name);
        DdsSpec spec = dds_masked(2, 1, c.bits, c.r, c.g, c.b, c.a);
        if (c.luminanceFlag) spec.pfFlags = 0x20000 | (c.a ? 0x1 : 0);
        const Bytes file = make_dds(spec, le_pixels({c.in0, c.in1}, static_cast<int>(c.bits / 8)));
        DecodedImage img;
        ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
        ASSERT_EQ(img.pixels.size(), 2u);
        EXPECT_EQ(img.pixels[0], c.out0);
        EXPECT_EQ(img.pixels[1], c.out1);
        EXPECT_EQ(img.info.format, c.format);
        EXPECT_EQ(img.hasAlpha, c.a != 0);
        ImageInfo info{};
        ASSERT_EQ(get_image_info(file.data(), file.size(), &info), kOk);
        EXPECT_EQ(info.format, c.format);
        EXPECT_EQ(info.imageFileFormat, kIffDds);
        EXPECT_EQ(info.resourceType, kRtypeTexture);
        EXPECT_EQ(info.width, 2u);
        EXPECT_EQ(info.height, 1u);
        EXPECT_EQ(info.depth, 1u);
        EXPECT_EQ(info.mipLevels, 1u);
    }
}

TEST(DdsMasked, FormatNumberAsFourCcNeedsNoMasks) {
    DdsSpec spec;
    spec.width = 2;
    spec.height = 1;
    spec.pfFlags = 0x4;
    spec.fourcc = kFmtR5G6B5;  // D3DX writes formats without a fourCC of their own this way
    const Bytes file = make_dds(spec, le_pixels({0x001F, 0x07E0}, 2));
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_EQ(img.info.format, kFmtR5G6B5);
    EXPECT_EQ(img.pixels[0], 0xFF0000FFu);
    EXPECT_EQ(img.pixels[1], 0xFF00FF00u);
}

TEST(DdsMasked, RowsAreReadTopFirstAndTightlyPacked) {
    // 3 x 2 R8G8B8: 9 bytes a row, no padding to four.
    const DdsSpec spec = dds_masked(3, 2, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    const Bytes file = make_dds(spec, le_pixels({1, 2, 3, 4, 5, 6}, 3));
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004,
                                                      0xFF000005, 0xFF000006}));
}

// 8 x 4 A8R8G8B8 with every level's texels numbered level * 256 + index.
Bytes numbered_chain(std::uint32_t mipCount, std::uint32_t levelsWritten) {
    Bytes payload;
    std::uint32_t w = 8, h = 4;
    for (std::uint32_t level = 0; level < levelsWritten; ++level) {
        for (std::uint32_t i = 0; i < w * h; ++i) test::append_le32(payload, 0xFF000000u | (level << 8) | i);
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    return make_dds(dds_masked(8, 4, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, mipCount), payload);
}

TEST(DdsMips, EveryLevelOfTheChainIsKept) {
    const Bytes file = numbered_chain(4, 4);  // 8x4, 4x2, 2x1, 1x1
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_EQ(img.info.mipLevels, 4u);
    ASSERT_EQ(img.mips.size(), 3u);
    const std::size_t sizes[3] = {8, 2, 1};
    for (std::size_t m = 0; m < 3; ++m) {
        ASSERT_EQ(img.mips[m].size(), sizes[m]) << m;
        for (std::size_t i = 0; i < sizes[m]; ++i)
            EXPECT_EQ(img.mips[m][i], 0xFF000000u | ((m + 1) << 8) | i) << m << "/" << i;
    }
    EXPECT_EQ(img.pixels[31], 0xFF00001Fu);
}

TEST(DdsMips, CountZeroIsOneAndTooManyIsTheFullChain) {
    ImageInfo info{};
    Bytes one = numbered_chain(0, 1);
    ASSERT_EQ(get_image_info(one.data(), one.size(), &info), kOk);
    EXPECT_EQ(info.mipLevels, 1u);
    // 8 x 4 has four levels at most; a claim of ten reads the four that exist.
    Bytes many = numbered_chain(10, 4);
    ASSERT_EQ(get_image_info(many.data(), many.size(), &info), kOk);
    EXPECT_EQ(info.mipLevels, 4u);
    DecodedImage img;
    ASSERT_EQ(decode_image(many.data(), many.size(), &img), kOk);
    EXPECT_EQ(img.mips.size(), 3u);
}

TEST(DdsMips, CountIsReadEvenWithoutItsFlag) {
    Bytes file = numbered_chain(3, 3);
    test::put_le32(file, 8, 0);   // no header flags at all
    test::put_le32(file, 80, 0);  // nor pixel-format flags
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_EQ(img.info.mipLevels, 3u);
    EXPECT_EQ(img.info.format, kFmtA8R8G8B8);
}

TEST(DdsCompressed, OddSizesCropTheEdgeBlocks) {
    // 5 x 3 DXT1: two blocks side by side; the right block shows only its first column.
    const int left[16] = {0, 0, 0, 0, 1, 1, 1, 1, 3, 3, 3, 3, 2, 2, 2, 2};
    const int right[16] = {1, 0, 0, 0, 0, 1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1};
    Bytes payload = test::dxt1_block(0xF800, 0x001F, left);   // four-colour
    Bytes second = test::dxt1_block(0x001F, 0xF800, right);  // three-colour
    payload.insert(payload.end(), second.begin(), second.end());
    const Bytes file = make_dds(dds_compressed(5, 3, "DXT1"), payload);
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    ASSERT_EQ(img.width, 5u);
    ASSERT_EQ(img.height, 3u);
    const std::vector<std::uint32_t> want = {
        0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000,
        0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF,
        0xFF5500AA, 0xFF5500AA, 0xFF5500AA, 0xFF5500AA, 0x00000000,
    };
    EXPECT_EQ(img.pixels, want);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.info.format, kFmtDxt1);
}

TEST(DdsCompressed, OpaqueDxt1HasNoAlphaAndDxt5Has) {
    const int zeros[16] = {};
    Bytes file = make_dds(dds_compressed(4, 4, "DXT1"), test::dxt1_block(0x001F, 0xF800, zeros));
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_FALSE(img.hasAlpha);  // three-colour mode, but no texel uses the transparent slot
    Bytes dxt5(16, 0);
    dxt5[0] = 255;
    file = make_dds(dds_compressed(4, 4, "DXT5"), dxt5);
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.info.format, kFmtDxt5);
    EXPECT_EQ(img.pixels[0], 0xFF000000u);
}

TEST(DdsCompressed, MipChainOfBlocksDownToOneTexel) {
    // 8 x 8 DXT3: 4 blocks, then 1, 1, 1 for 4x4, 2x2 and 1x1; each level a flat alpha.
    Bytes payload;
    const std::uint32_t blocksPerLevel[4] = {4, 1, 1, 1};
    for (int level = 0; level < 4; ++level) {
        for (std::uint32_t b = 0; b < blocksPerLevel[level]; ++b) {
            const unsigned char nibbles = static_cast<unsigned char>((level + 1) * 0x11);
            for (int k = 0; k < 8; ++k) payload.push_back(nibbles);
            const int zeros[16] = {};
            Bytes colour = test::dxt1_block(0xFFFF, 0x0000, zeros);
            payload.insert(payload.end(), colour.begin(), colour.end());
        }
    }
    const Bytes file = make_dds(dds_compressed(8, 8, "DXT3", 4), payload);
    ASSERT_EQ(file.size(), 128u + 7 * 16);
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_EQ(img.info.mipLevels, 4u);
    EXPECT_EQ(img.info.format, kFmtDxt3);
    ASSERT_EQ(img.mips.size(), 3u);
    EXPECT_EQ(img.pixels[63], 0x11FFFFFFu);
    EXPECT_EQ(img.mips[0].size(), 16u);
    EXPECT_EQ(img.mips[0][15], 0x22FFFFFFu);
    EXPECT_EQ(img.mips[1].size(), 4u);
    EXPECT_EQ(img.mips[1][3], 0x33FFFFFFu);
    EXPECT_EQ(img.mips[2], std::vector<std::uint32_t>{0x44FFFFFFu});
}

TEST(DdsCompressed, CubeMapGivesItsFirstFace) {
    DdsSpec spec = dds_compressed(4, 4, "DXT1");
    spec.caps2 = 0x200 | 0xFC00;
    Bytes payload;
    const int zeros[16] = {};
    for (std::uint16_t face = 0; face < 6; ++face) {
        Bytes b = test::dxt1_block(static_cast<std::uint16_t>(0xF800 - face), 0, zeros);
        payload.insert(payload.end(), b.begin(), b.end());
    }
    const Bytes file = make_dds(spec, payload);
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    EXPECT_EQ(img.pixels[0], 0xFFFF0000u);
}

TEST(DdsHostile, EveryTruncationFailsAndLeavesNothing) {
    const Bytes file = make_dds(dds_compressed(8, 8, "DXT5", 4), Bytes(7 * 16, 0x5A));
    DecodedImage img;
    ASSERT_EQ(decode_image(file.data(), file.size(), &img), kOk);
    for (std::size_t n = 1; n < file.size(); ++n) {
        EXPECT_EQ(get_image_info(file.data(), n, nullptr), kD3DXErrInvalidData) << n;
        img.pixels.assign(3, 1);
        EXPECT_EQ(decode_image(file.data(), n, &img), kD3DXErrInvalidData) << n;
        EXPECT_TRUE(img.pixels.empty() && img.mips.empty() && img.width == 0) << n;
    }
}

TEST(DdsHostile, HugeClaimsInSmallFilesFailBeforeAllocating) {
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {
        {65535, 65535}, {16385, 1}, {1, 16385}, {16384, 16384}, {4096, 4096}, {0, 4}, {4, 0}, {0xFFFFFFFFu, 0xFFFFFFFFu}};
    for (const auto& [w, h] : sizes) {
        for (const DdsSpec& spec : {dds_compressed(w, h, "DXT1", 0xFFFFFFFFu), dds_compressed(w, h, "DXT5", 0xFFFFFFFFu)}) {
            const Bytes file = make_dds(spec, Bytes(72, 0));
            ASSERT_EQ(file.size(), 200u);
            DecodedImage img;
            EXPECT_EQ(decode_image(file.data(), file.size(), &img), kD3DXErrInvalidData) << w << "x" << h;
            EXPECT_TRUE(img.pixels.empty());
        }
        const Bytes masked = make_dds(dds_masked(w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0), Bytes(72, 0));
        EXPECT_EQ(get_image_info(masked.data(), masked.size(), nullptr), kD3DXErrInvalidData) << w << "x" << h;
    }
}

TEST(DdsHostile, UnsupportedOrBrokenPixelFormatsFail) {
    const Bytes some(64, 0);
    std::vector<std::pair<const char*, DdsSpec>> cases = {
        {"12-bit pixels", dds_masked(2, 2, 12, 0xF00, 0xF0, 0xF, 0)},
        {"zero bit count", dds_masked(2, 2, 0, 0xFF0000, 0xFF00, 0xFF, 0)},
        {"mask with a gap", dds_masked(2, 2, 16, 0xF0F0, 0x0F00, 0x000F, 0)},
        {"mask beyond the pixel", dds_masked(2, 2, 16, 0xFF0000, 0xFF00, 0xFF, 0)},
        {"no masks", dds_masked(2, 2, 32, 0, 0, 0, 0)},
        {"unknown fourCC", dds_compressed(4, 4, "ATI2")},
        {"premultiplied DXT2", dds_compressed(4, 4, "DXT2")},
        {"premultiplied DXT4", dds_compressed(4, 4, "DXT4")},
        {"DX10 header", dds_compressed(4, 4, "DX10")},
    };
    DdsSpec volume = dds_compressed(4, 4, "DXT1");
    volume.caps2 = 0x200000;
    volume.depth = 2;
    cases.push_back({"volume", volume});
    for (const auto& [name, spec] : cases) {
        const Bytes file = make_dds(spec, some);
        DecodedImage img;
        EXPECT_EQ(decode_image(file.data(), file.size(), &img), kD3DXErrInvalidData) << name;
        EXPECT_EQ(get_image_info(file.data(), file.size(), nullptr), kD3DXErrInvalidData) << name;
    }
}

TEST(DdsHostile, NullAndShortInputs) {
    ImageInfo info{};
    DecodedImage img;
    EXPECT_EQ(get_image_info(nullptr, 10, &info), kD3DErrInvalidCall);
    EXPECT_EQ(decode_image("DDS ", 0, &img), kD3DErrInvalidCall);
    EXPECT_EQ(decode_image("DDS ", 4, nullptr), kD3DErrInvalidCall);
    const Bytes header = make_dds(dds_compressed(4, 4, "DXT1"), {});
    EXPECT_EQ(get_image_info(header.data(), header.size(), &info), kD3DXErrInvalidData);
    Bytes wrongMagic = make_dds(dds_compressed(4, 4, "DXT1"), Bytes(8, 0));
    wrongMagic[3] = 'X';
    EXPECT_EQ(get_image_info(wrongMagic.data(), wrongMagic.size(), &info), kD3DXErrInvalidData);
}

}  // namespace
}  // namespace brine
