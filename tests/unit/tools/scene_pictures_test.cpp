// The compared scenes' pictures: the agreement counts colour channels only, each within the
// tolerance, and pictures of different sizes agree nowhere; PNG files keep the colour channels
// and a file that is no PNG is refused without touching the picture.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/scratch_dir.h"
#include "tools/scenes/picture.h"

namespace brine::scenes {
namespace {

Picture picture(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> pixels) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels = std::move(pixels);
    return p;
}

TEST(ScenePictures, AgreementCountsEveryColourChannelWithinTheToleranceAndIgnoresAlpha) {
    const Picture a = picture(4, 1, {0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030});
    // Alpha alone differs; red at the tolerance; green one past it; blue far off.
    const Picture b = picture(4, 1, {0x00102030, 0xFF182030, 0xFF102930, 0xFF1020F0});
    const Agreement agreement = compare_pictures(a, b, 8);
    EXPECT_EQ(agreement.pixels, 4u);
    EXPECT_EQ(agreement.agreeing, 2u);
    EXPECT_EQ(agreement.largestDifference, 0xF0 - 0x30);
    EXPECT_DOUBLE_EQ(agreement.share(), 0.5);
    EXPECT_EQ(compare_pictures(a, b, 255).agreeing, 4u);

    const Agreement sizes = compare_pictures(a, picture(2, 2, a.pixels), 255);
    EXPECT_EQ(sizes.pixels, 0u);
    EXPECT_EQ(sizes.share(), 0.0);  // never passes a threshold
}

TEST(ScenePictures, PngFilesKeepTheColourChannelsAndOtherFilesAreRefused) {
    test::ScratchDir dir;
    const Picture drawn = picture(3, 2, {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0x000000FF, 0xFF123456, 0xFFFFFFFF});
    ASSERT_TRUE(write_png(dir.file("a.png"), drawn));
    Picture read;
    ASSERT_TRUE(read_png(dir.file("a.png"), &read));
    ASSERT_EQ(read.width, 3u);
    ASSERT_EQ(read.height, 2u);
    const Agreement agreement = compare_pictures(drawn, read, 0);
    EXPECT_EQ(agreement.agreeing, 6u);

    std::ofstream(dir.file("b.png"), std::ios::binary) << "not a picture";
    Picture untouched = drawn;
    EXPECT_FALSE(read_png(dir.file("b.png"), &untouched));
    EXPECT_FALSE(read_png(dir.file("missing.png"), &untouched));
    EXPECT_EQ(untouched.pixels, drawn.pixels);
    EXPECT_FALSE(write_png(dir.file("no/such/folder/c.png"), drawn));
}

}  // namespace
}  // namespace brine::scenes
