// The Shift-JIS texts of the resource tables, decoded by iconv, must read as the program's texts.
#include <gtest/gtest.h>

#include "platform/linux/text_codec.h"
#include "resources/dialogs.h"
#include "resources/menu.h"

namespace brine {

TEST(ResourceTexts, MenuReadsAsJapanese) {
    const char* expected[] = {"エサ投入", nullptr, "環境設定", "魚の追加", "魚の削除", "拡張データの追加", nullptr,
                              "時間を止める", "名前の表示", "満腹度表示", "ﾄﾋﾟｯｸｽ表示", nullptr,
                              "Brinelightのｻｲﾄへ", "ﾊﾞｰｼﾞｮﾝ情報", "終了"};
    ASSERT_EQ(kPopupMenuCount, sizeof expected / sizeof expected[0]);
    for (std::size_t i = 0; i < kPopupMenuCount; ++i) {
        if (!expected[i]) continue;
        EXPECT_EQ(sjis_to_utf8(kPopupMenu[i].text), expected[i]) << i;
    }
}

TEST(ResourceTexts, DialogsReadAsJapanese) {
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.title), "環境設定");
    EXPECT_EQ(sjis_to_utf8(kAddDialog.title), "金魚の追加");
    EXPECT_EQ(sjis_to_utf8(kDeleteDialog.title), "金魚の削除");
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.fontFace), "ＭＳ Ｐゴシック");
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.controls[1].text), "ｷｬﾝｾﾙ");
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.controls[2].text), "画像クォリティ");
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.controls[4].text), "壁紙の設定");
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.controls[6].text), "参照");
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.controls[7].text), "拡大");
    EXPECT_EQ(sjis_to_utf8(kConfigDialog.controls[8].text), "連続");
    EXPECT_EQ(sjis_to_utf8(kAddDialog.controls[3].text), "魚の選択");
    EXPECT_EQ(sjis_to_utf8(kAddDialog.controls[5].text), "魚の名前");
}

}  // namespace brine
