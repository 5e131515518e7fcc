// DXT block decoding: hand-computed palettes in both DXT1 modes, DXT3 and both DXT5 alpha modes,
// the rounding rule, and a check of bit layout against an independent encoder (stb_dxt).
#include <gtest/gtest.h>

#include <cstdlib>

#include "data/dds_reader.h"
#include "tests/unit/data/image_test_files.h"

#define STB_DXT_STATIC
#define STB_DXT_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_dxt.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace brine {
namespace {

using test::Bytes;
using test::dxt1_block;

// Texel i's index is (row + col) & 3, so a transposed or mirrored decode shows.
constexpr int kDiagonal[16] = {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1, 3, 0, 1, 2};

void expect_palette(const std::uint32_t texels[16], const std::uint32_t pal[4], const int (&idx)[16]) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[i], pal[idx[i]]) << "texel " << i;
}

TEST(ExpandChannel, RoundsTheExactValueToNearest) {
    EXPECT_EQ(expand_channel(0, 31), 0u);
    EXPECT_EQ(expand_channel(31, 31), 255u);
    EXPECT_EQ(expand_channel(63, 63), 255u);
    EXPECT_EQ(expand_channel(3, 31), 25u);    // 24.68: bit replication would give 24
    EXPECT_EQ(expand_channel(11, 63), 45u);   // 44.52: bit replication would give 44
    EXPECT_EQ(expand_channel(16, 31), 132u);  // 131.61
    EXPECT_EQ(expand_channel(1, 1), 255u);
    EXPECT_EQ(expand_channel(1, 3), 85u);
    EXPECT_EQ(expand_channel(512, 1023), 128u);              // 10-bit channels too: 127.62
    EXPECT_EQ(expand_channel(0xFFFFFFFFu, 0xFFFFFFFFu), 255u);  // a 32-bit mask does not overflow
}

TEST(Dxt1Block, FourColourModeWhenC0IsGreater) {
    // Red 0xF800 over blue 0x001F: thirds are 170/85 of the exact endpoints.
    Bytes block = dxt1_block(0xF800, 0x001F, kDiagonal);
    std::uint32_t texels[16];
    decode_dxt1_block(block.data(), texels);
    const std::uint32_t pal[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    expect_palette(texels, pal, kDiagonal);
}

TEST(Dxt1Block, InterpolantsRoundOnceFromTheExactEndpoints) {
    std::uint32_t texels[16];
    // Red 3 of 31 against black: endpoint 24.68 -> 25; thirds 16.45 -> 16 and 8.23 -> 8 (an
    // interpolation of the rounded 25 would give 17).
    Bytes red = dxt1_block(3 << 11, 0, kDiagonal);
    decode_dxt1_block(red.data(), texels);
    const std::uint32_t redPal[4] = {0xFF190000, 0xFF000000, 0xFF100000, 0xFF080000};
    expect_palette(texels, redPal, kDiagonal);
    // Green 11 of 63: 44.52 -> 45; thirds 29.68 -> 30 and 14.84 -> 15.
    Bytes green = dxt1_block(11 << 5, 0, kDiagonal);
    decode_dxt1_block(green.data(), texels);
    const std::uint32_t greenPal[4] = {0xFF002D00, 0xFF000000, 0xFF001E00, 0xFF000F00};
    expect_palette(texels, greenPal, kDiagonal);
}

TEST(Dxt1Block, ThreeColourModeHasTransparentBlack) {
    std::uint32_t texels[16];
    // Blue below red: the midpoint of 31 and 0 of 31 is 127.5, halves round up.
    Bytes block = dxt1_block(0x001F, 0xF800, kDiagonal);
    decode_dxt1_block(block.data(), texels);
    const std::uint32_t pal[4] = {0xFF0000FF, 0xFFFF0000, 0xFF800080, 0x00000000};
    expect_palette(texels, pal, kDiagonal);
    // Equal endpoints count as c0 <= c1: index 3 is transparent too.
    Bytes flat = dxt1_block(0x07E0, 0x07E0, kDiagonal);
    decode_dxt1_block(flat.data(), texels);
    const std::uint32_t flatPal[4] = {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0x00000000};
    expect_palette(texels, flatPal, kDiagonal);
}

TEST(Dxt3Block, ExplicitAlphaAndAlwaysFourColours) {
    Bytes block;
    // Texel i has alpha nibble 15 - i; texel 2k in the low nibble of byte k.
    for (int k = 0; k < 8; ++k) block.push_back(static_cast<unsigned char>((15 - 2 * k) | ((14 - 2 * k) << 4)));
    // c0 < c1 would be three-colour mode in DXT1; here index 3 is an opaque two-thirds grey.
    Bytes colour = dxt1_block(0x0000, 0xFFFF, kDiagonal);
    block.insert(block.end(), colour.begin(), colour.end());
    std::uint32_t texels[16];
    decode_dxt3_block(block.data(), texels);
    const std::uint32_t rgb[4] = {0x000000, 0xFFFFFF, 0x555555, 0xAAAAAA};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(texels[i] & 0xFFFFFF, rgb[kDiagonal[i]]) << i;
        EXPECT_EQ(texels[i] >> 24, static_cast<std::uint32_t>((15 - i) * 17)) << i;
    }
}

Bytes dxt5_block(unsigned char a0, unsigned char a1, const int (&alphaIdx)[16]) {
    Bytes block = {a0, a1};
    std::uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) bits |= static_cast<std::uint64_t>(alphaIdx[i] & 7) << (3 * i);
    for (int i = 0; i < 6; ++i) block.push_back(static_cast<unsigned char>(bits >> (8 * i)));
    Bytes colour = dxt1_block(0x0000, 0xFFFF, kDiagonal);  // c0 < c1, still four colours
    block.insert(block.end(), colour.begin(), colour.end());
    return block;
}

constexpr int kAlphaRamp[16] = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};

TEST(Dxt5Block, EightAlphaModeWhenA0IsGreater) {
    Bytes block = dxt5_block(200, 10, kAlphaRamp);
    std::uint32_t texels[16];
    decode_dxt5_block(block.data(), texels);
    // (6*200+10)/7 = 172.86, 1020/7 = 145.71, 830/7 = 118.57, 640/7 = 91.43, 450/7 = 64.29, 260/7 = 37.14
    const std::uint32_t alpha[8] = {200, 10, 173, 146, 119, 91, 64, 37};
    const std::uint32_t rgb[4] = {0x000000, 0xFFFFFF, 0x555555, 0xAAAAAA};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(texels[i] >> 24, alpha[kAlphaRamp[i]]) << i;
        EXPECT_EQ(texels[i] & 0xFFFFFF, rgb[kDiagonal[i]]) << i;
    }
}

TEST(Dxt5Block, SixAlphaModeWithZeroAndFull) {
    Bytes block = dxt5_block(10, 200, kAlphaRamp);
    std::uint32_t texels[16];
    decode_dxt5_block(block.data(), texels);
    // (4*10+200)/5 = 48, 430/5 = 86, 620/5 = 124, 810/5 = 162, then 0 and 255
    const std::uint32_t alpha[8] = {10, 200, 48, 86, 124, 162, 0, 255};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[i] >> 24, alpha[kAlphaRamp[i]]) << i;
    // Equal endpoints are the six-alpha mode as well.
    Bytes flat = dxt5_block(77, 77, kAlphaRamp);
    decode_dxt5_block(flat.data(), texels);
    const std::uint32_t flatAlpha[8] = {77, 77, 77, 77, 77, 77, 0, 255};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[i] >> 24, flatAlpha[kAlphaRamp[i]]) << i;
}

// An encoder written by someone else must come back where it started: this pins the texel
// order, the index bit order and the endpoint layout, not just our own reading of them.
TEST(DxtBlocks, ReproduceWhatAnIndependentEncoderWrote) {
    unsigned char rgba[64];
    // Two exactly representable colours in an irregular pattern; alpha on the eight levels
    // between 0 and 255, which the encoder's min/max endpoints hit exactly.
    const bool first[16] = {1, 1, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 1};
    const int alphaStep[16] = {0, 7, 3, 5, 1, 6, 2, 4, 4, 2, 6, 1, 5, 3, 7, 0};
    for (int i = 0; i < 16; ++i) {
        rgba[4 * i + 0] = first[i] ? 255 : 0;
        rgba[4 * i + 1] = first[i] ? 0 : 255;
        rgba[4 * i + 2] = first[i] ? 255 : 0;
        rgba[4 * i + 3] = static_cast<unsigned char>((alphaStep[i] * 255 + 3) / 7);
    }
    unsigned char dxt1[8], dxt5[16];
    stb_compress_dxt_block(dxt1, rgba, 0, STB_DXT_HIGHQUAL);
    stb_compress_dxt_block(dxt5, rgba, 1, STB_DXT_HIGHQUAL);
    std::uint32_t t1[16], t5[16];
    decode_dxt1_block(dxt1, t1);
    decode_dxt5_block(dxt5, t5);
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t want = first[i] ? 0xFF00FFu : 0x00FF00u;
        EXPECT_EQ(t1[i] & 0xFFFFFF, want) << i;
        EXPECT_EQ(t1[i] >> 24, 255u) << i;
        EXPECT_EQ(t5[i] & 0xFFFFFF, want) << i;
        EXPECT_LE(std::abs(static_cast<int>(t5[i] >> 24) - rgba[4 * i + 3]), 1) << i;
    }
    // Black, white and the two greys between them: the encoder needs both interpolated slots.
    const int grey[16] = {0, 85, 170, 255, 255, 0, 85, 170, 170, 255, 0, 85, 85, 170, 255, 0};
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c) rgba[4 * i + c] = static_cast<unsigned char>(grey[i]);
    stb_compress_dxt_block(dxt1, rgba, 0, STB_DXT_HIGHQUAL);
    decode_dxt1_block(dxt1, t1);
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c) {
            const int got = static_cast<int>((t1[i] >> (16 - 8 * c)) & 255);
            EXPECT_LE(std::abs(got - grey[i]), 2) << i << "/" << c;
        }
}

}  // namespace
}  // namespace brine
