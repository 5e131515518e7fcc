// The resource tables carry the program's own texts; check them against UTF-8 spellings decoded
// independently (by the test's own table of expected bytes) and their structure.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/dialogs.h"
#include "resources/menu.h"
#include "resources/resource_ids.h"

namespace brine {

TEST(PopupMenu, OrderCommandsAndSeparators) {
    const std::uint32_t expected[] = {40006, 0, 40001, 40003, 40005, 40010, 0, 40011, 40004, 40007, 40013, 0, 40014, 40009, 40002};
    ASSERT_EQ(kPopupMenuCount, sizeof expected / sizeof expected[0]);
    for (std::size_t i = 0; i < kPopupMenuCount; ++i) {
        EXPECT_EQ(kPopupMenu[i].command, expected[i]) << i;
        EXPECT_EQ(kPopupMenu[i].text == nullptr, expected[i] == 0) << i;
    }
    // 名前の表示 holds 0x5C as the second byte of 表: the table must keep it.
    EXPECT_EQ(std::string(kPopupMenu[8].text), std::string("\x96\xBC\x91O\x82\xCC\x95\x5C\x8E\xA6"));
    // 40012 is handled but never shown.
    for (std::size_t i = 0; i < kPopupMenuCount; ++i) EXPECT_NE(kPopupMenu[i].command, 40012u);
}

TEST(Dialogs, ControlsAndGeometry) {
    EXPECT_STREQ(kConfigDialog.name, "RES_DLG_CONFIG");
    EXPECT_EQ(kConfigDialog.width, 139);
    EXPECT_EQ(kConfigDialog.height, 89);
    EXPECT_EQ(kAddDialog.width, 131);
    EXPECT_EQ(kDeleteDialog.height, 75);
    EXPECT_EQ(kConfigDialog.style, 0x80C80880u);
    std::set<int> ids;
    for (std::size_t i = 0; i < kConfigDialog.controlCount; ++i)
        if (kConfigDialog.controls[i].id > 0) ids.insert(kConfigDialog.controls[i].id);
    EXPECT_EQ(ids, (std::set<int>{1, 2, 1002, 1004, 1007, 1008, 1009}));
    const auto& browse = kConfigDialog.controls[6];
    EXPECT_EQ(browse.id, kIdBrowse);
    EXPECT_EQ(browse.x, 92);
    EXPECT_EQ(browse.width, 36);
    EXPECT_STREQ(kAddDialog.controls[0].text, "\x92\xC7\x89\xC1");  // 追加
    EXPECT_STREQ(kDeleteDialog.controls[0].text, "\x8D\xED\x8F\x9C");  // 削除
    EXPECT_EQ(std::string(kAddDialog.fontFace), "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N");
    EXPECT_STREQ(kQualityNames[4], "UXGA(1600x1200)");
}

}  // namespace brine
