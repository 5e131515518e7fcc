#include <gtest/gtest.h>

#include "data/pack_format.h"
#include "data/pack_writer.h"

namespace brine {

TEST(PackWriter, LaysOutHeaderDirectoryAndData) {
    std::vector<PackMember> members = {{"header.bin", {'a', 'b'}}, {"empty", {}}, {"x", {7}}};
    std::vector<unsigned char> bytes;
    ASSERT_EQ(build_pack(members, &bytes, nullptr), kOk);
    ASSERT_EQ(bytes.size(), 16u + 3 * 32 + 3);
    std::uint32_t count = 0;
    ASSERT_TRUE(decode_pack_header(bytes.data(), &count));
    EXPECT_EQ(count, 3u);
    for (int i : {3, 4, 5, 6, 7, 12, 13, 14, 15}) EXPECT_EQ(bytes[i], 0) << i;
    PackEntry e0 = decode_pack_entry(bytes.data() + 16);
    EXPECT_STREQ(e0.name, "header.bin");
    EXPECT_EQ(e0.offset, 112u);
    EXPECT_EQ(e0.size, 2u);
    EXPECT_EQ(bytes[112], 'a');
    PackEntry e2 = decode_pack_entry(bytes.data() + 16 + 64);
    EXPECT_EQ(e2.offset, 114u);
    EXPECT_EQ(bytes[114], 7);
}

TEST(PackWriter, RefusesBadNames) {
    std::vector<unsigned char> bytes;
    std::string why;
    EXPECT_EQ(build_pack({{std::string(24, 'n'), {}}}, &bytes, &why), kFail);
    EXPECT_NE(why.find("23"), std::string::npos);
    EXPECT_EQ(build_pack({{std::string(23, 'n'), {}}}, &bytes, &why), kOk);
    EXPECT_EQ(build_pack({{"a", {}}, {"a", {}}}, &bytes, &why), kFail);
    EXPECT_EQ(build_pack({{"", {}}}, &bytes, &why), kFail);
}

TEST(PackFormat, UnterminatedNameFieldIsCutInsideTheField) {
    unsigned char raw[32];
    for (int i = 0; i < 24; ++i) raw[i] = 'z';
    write_le32(raw + 24, 5);
    write_le32(raw + 28, 6);
    PackEntry e = decode_pack_entry(raw);
    EXPECT_EQ(std::string(e.name).size(), 23u);
    EXPECT_EQ(e.offset, 5u);
    EXPECT_EQ(e.size, 6u);
    unsigned char bad[16] = {'M', 'R', 'Q'};
    EXPECT_FALSE(decode_pack_header(bad, nullptr));
}

}  // namespace brine
