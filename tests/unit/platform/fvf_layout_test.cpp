// Vertex-format layouts, the arithmetic under the OpenGL device.
#include <gtest/gtest.h>

#include "device/d3d_types.h"
#include "platform/linux/fvf_layout.h"

namespace brine {

TEST(FvfLayout, OffsetsFollowDirect3DOrder) {
    FvfLayout l;
    ASSERT_TRUE(parse_fvf(kFvfXyz | kFvfTex1, &l));  // the board format
    EXPECT_EQ(l.size, 20u);
    EXPECT_EQ(l.texCoordOffset, 12u);
    EXPECT_EQ(l.texCoordSize, 2u);
    EXPECT_FALSE(l.hasNormal);
    ASSERT_TRUE(parse_fvf(kFvfXyzB3 | kFvfNormal | kFvfDiffuse | kFvfTex1, &l));
    EXPECT_EQ(l.weightCount, 3u);
    EXPECT_EQ(l.normalOffset, 24u);
    EXPECT_EQ(l.diffuseOffset, 36u);
    EXPECT_EQ(l.texCoordOffset, 40u);
    EXPECT_EQ(l.size, 48u);
    // The last beta as matrix indices is no weight; point size and specular take room.
    ASSERT_TRUE(parse_fvf(kFvfXyzB4 | kFvfLastBetaUbyte4 | 0x020 | 0x080 | kFvfDiffuse | 0x200, &l));
    EXPECT_EQ(l.weightCount, 3u);
    EXPECT_EQ(l.diffuseOffset, 32u);
    EXPECT_EQ(l.texCoordOffset, 40u);
    EXPECT_EQ(l.size, 56u);
    // Texture coordinate sizes: set 0 of three floats.
    ASSERT_TRUE(parse_fvf(kFvfXyz | kFvfTex1 | (1u << 16), &l));
    EXPECT_EQ(l.texCoordSize, 3u);
    EXPECT_EQ(l.size, 24u);
}

TEST(FvfLayout, RefusesWhatCannotBeDrawn) {
    FvfLayout l;
    EXPECT_FALSE(parse_fvf(0, &l));                     // no position
    EXPECT_FALSE(parse_fvf(0x004 | kFvfDiffuse, &l));   // XYZRHW
    EXPECT_FALSE(parse_fvf(0x4002, &l));                // XYZW
    EXPECT_FALSE(parse_fvf(kFvfXyz | 0x900, &l));       // nine coordinate sets
    EXPECT_FALSE(parse_fvf(kFvfXyz | 0x2000, &l));      // an undefined bit
}

}  // namespace brine
