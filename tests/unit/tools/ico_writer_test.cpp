// The Windows icon file as the Windows icon loader reads it: directory, bottom-up DIB rows with
// straight alpha, the AND mask marking transparent pixels, PNG bytes kept as they are.
#include <gtest/gtest.h>

#include <cstring>

#include "tools/appicon/ico_writer.h"

namespace brine {
namespace {

std::uint32_t u32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t u16(const std::vector<unsigned char>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

TEST(IcoWriter, DibPicturesBottomUpWithTheirMaskAndPngPicturesAsTheyAre) {
    appicon::IcoPicture small;
    small.size = 2;
    small.argb = {0x00000000, 0xFF112233,   // top row: transparent, opaque
                  0x80445566, 0xFF778899};  // bottom row
    appicon::IcoPicture large;
    large.size = 256;
    large.png = {0x89, 'P', 'N', 'G'};
    std::vector<unsigned char> ico;
    std::string reason;
    ASSERT_TRUE(appicon::encode_ico({small, large}, &ico, &reason)) << reason;

    EXPECT_EQ(u16(ico, 0), 0u);
    EXPECT_EQ(u16(ico, 2), 1u);
    EXPECT_EQ(u16(ico, 4), 2u);
    // First entry: 2x2, 32 bits, 40 + 16 colour bytes + 2 mask rows of 4 bytes.
    EXPECT_EQ(ico[6], 2);
    EXPECT_EQ(ico[7], 2);
    EXPECT_EQ(u16(ico, 6 + 6), 32u);
    EXPECT_EQ(u32(ico, 6 + 8), 40u + 16u + 8u);
    const std::uint32_t dib = u32(ico, 6 + 12);
    EXPECT_EQ(dib, 6u + 2 * 16u);
    // Second entry: 256 is written as 0, and the PNG follows the DIB.
    EXPECT_EQ(ico[22], 0);
    EXPECT_EQ(u32(ico, 22 + 8), 4u);
    EXPECT_EQ(u32(ico, 22 + 12), dib + 64u);
    EXPECT_EQ(std::memcmp(ico.data() + dib + 64, large.png.data(), 4), 0);
    EXPECT_EQ(ico.size(), dib + 64u + 4u);

    EXPECT_EQ(u32(ico, dib), 40u);
    EXPECT_EQ(u32(ico, dib + 4), 2u);
    EXPECT_EQ(u32(ico, dib + 8), 4u) << "colour and mask stacked";
    const std::size_t pixels = dib + 40;
    EXPECT_EQ(u32(ico, pixels), 0x80445566u) << "bottom row first";
    EXPECT_EQ(u32(ico, pixels + 12), 0xFF112233u);
    EXPECT_EQ(ico[pixels + 16], 0x00) << "bottom row: nothing transparent";
    EXPECT_EQ(ico[pixels + 20], 0x80) << "top row: the first pixel is transparent";
}

TEST(IcoWriter, RefusesWhatNoIconCanHold) {
    std::vector<unsigned char> ico;
    std::string reason;
    EXPECT_FALSE(appicon::encode_ico({}, &ico, &reason));
    appicon::IcoPicture p;
    p.size = 300;
    p.png = {1};
    EXPECT_FALSE(appicon::encode_ico({p}, &ico, &reason));
    p.size = 4;
    p.png.clear();
    p.argb.assign(15, 0);
    EXPECT_FALSE(appicon::encode_ico({p}, &ico, &reason));
    EXPECT_NE(reason.find("pixel count"), std::string::npos);
}

}  // namespace
}  // namespace brine
