#include <gtest/gtest.h>

#include "platform/linux/linux_clock.h"
#include "platform/linux/text_codec.h"

namespace brine {

TEST(TextCodec, RoundTripsJapaneseText) {
    const std::string sjis = "\x8B\xE0\x8B\x9B";  // 金魚
    EXPECT_EQ(sjis_to_utf8(sjis), "金魚");
    EXPECT_EQ(utf8_to_sjis("金魚"), sjis);
    EXPECT_EQ(sjis_to_utf8("\xCA\xDE\xB0\xBC\xDE\xAE\xDD"), "ﾊﾞｰｼﾞｮﾝ");  // half-width katakana
    EXPECT_EQ(utf8_to_sjis("ＭＳ ゴシック"), "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E");
}

TEST(TextCodec, BrokenInputStillConverts) {
    EXPECT_EQ(sjis_to_utf8(std::string("a\x81", 2)), "a\xEF\xBF\xBD");  // lone lead byte at the end
    EXPECT_EQ(sjis_to_utf8(""), "");
}

TEST(LinuxClock, CounterRunsForward) {
    LinuxClock clock;
    std::int64_t f = 0;
    ASSERT_TRUE(clock.performance_frequency(&f));
    EXPECT_EQ(f, 1000000000);
    std::int64_t a = clock.performance_counter();
    std::int64_t b = clock.performance_counter();
    EXPECT_LE(a, b);
}

}  // namespace brine
