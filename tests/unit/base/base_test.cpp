#include <gtest/gtest.h>

#include "base/crt_rand.h"
#include "base/result.h"
#include "base/sjis.h"

namespace brine {

TEST(CrtRand, MatchesTheClassicRuntimeSequence) {
    CrtRand r;  // unseeded: the runtime starts from seed 1
    EXPECT_EQ(r.rand(), 41);
    EXPECT_EQ(r.rand(), 18467);
    EXPECT_EQ(r.rand(), 6334);
    EXPECT_EQ(r.rand(), 26500);
    r.srand(1);
    EXPECT_EQ(r.rand(), 41);
    r.srand(0);
    EXPECT_EQ(r.rand(), 38);
    EXPECT_EQ(r.rand(), 7719);
}

TEST(CrtRand, StaysInRangeAndReplays) {
    CrtRand a, b;
    a.srand(0xDEADBEEF);
    b.srand(0xDEADBEEF);
    for (int i = 0; i < 10000; ++i) {
        int v = a.rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, CrtRand::kRandMax);
        ASSERT_EQ(v, b.rand());
    }
}

TEST(Results, SignDecidesFailure) {
    EXPECT_TRUE(failed(kFail));
    EXPECT_TRUE(failed(kOutOfMemory));
    EXPECT_TRUE(succeeded(kOk));
    EXPECT_EQ(static_cast<std::uint32_t>(kFail), 0x80004005u);
}

TEST(Sjis, LeadBytes) {
    EXPECT_FALSE(is_sjis_lead(0x80));
    EXPECT_TRUE(is_sjis_lead(0x81));
    EXPECT_TRUE(is_sjis_lead(0x9F));
    EXPECT_FALSE(is_sjis_lead(0xA1));  // half-width katakana are single bytes
    EXPECT_FALSE(is_sjis_lead(0xDF));
    EXPECT_TRUE(is_sjis_lead(0xE0));
    EXPECT_TRUE(is_sjis_lead(0xFC));
    EXPECT_FALSE(is_sjis_lead(0xFD));
}

TEST(Sjis, FileNamePartSkipsSecondBytes) {
    EXPECT_STREQ(file_name_part("bg_sprite1.jpg"), "bg_sprite1.jpg");
    EXPECT_STREQ(file_name_part("C:\\walls\\sea.png"), "sea.png");
    EXPECT_STREQ(file_name_part("dir\\"), "");
    // 表 is 0x95 0x5C: its second byte is not a separator.
    const char path[] = "C:\\pics\\\x95\x5C" "a.bmp";
    EXPECT_STREQ(file_name_part(path), "\x95\x5C" "a.bmp");
    const char trailingLead[] = "a\\b\x95";
    EXPECT_STREQ(file_name_part(trailingLead), "b\x95");
}

}  // namespace brine
