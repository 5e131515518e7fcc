// Text layout: rectangles, shadows and the glyph-by-glyph ticker with its skip rules.
#include <gtest/gtest.h>

#include <cstring>

#include "render/text.h"
#include "tests/support/recording_device.h"

namespace brine {
namespace {

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(device.create_font(make_log_font(18, 700, "x"), &font), kOk);
        device.log().clear();
    }
    void TearDown() override { font->release(); }
    std::vector<std::string> calls() { return device.log().texts_without({"release"}); }

    test::RecordingDevice device;
    Font* font = nullptr;  // "font#1"
};

TEST_F(TextTest, ShadowTextDrawsShadowThenTextOnePixelUpLeft) {
    EXPECT_EQ(draw_shadow_text_on(*font, 12, "Fish", 100, 50, 0xFFFFFFFF, 0xFF000000), 12);
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "font#1.draw_text(\"Fish\", -1, {101 51 48 63}, 0x900, 0xFF000000)",
                           "font#1.draw_text(\"Fish\", -1, {100 50 47 62}, 0x900, 0xFFFFFFFF)",
                       }));
    device.log().clear();
    // No shadow colour: drawn once; any y is fine for whole strings.
    draw_shadow_text_on(*font, 12, "Fish", 10, -30, 0xFF00FF00, 0);
    EXPECT_EQ(calls(), (std::vector<std::string>{"font#1.draw_text(\"Fish\", -1, {10 -30 47 -18}, 0x900, 0xFF00FF00)"}));
}

TEST_F(TextTest, TickerSkipsGlyphsWhoseLeftEdgeIsStillOffScreen) {
    // 18-pixel font: 9 pixels a byte. Shadow lefts -29 -20 -11 -2 7 16, text lefts -30 ... 6 15.
    draw_ticker_text_on(*font, 18, "ABCDEF", -30, 400, 0xFF00FFFF, 0xFF000000);
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "font#1.draw_text(\"E\", 1, {7 401 108 419}, 0x900, 0xFF000000)",
                           "font#1.draw_text(\"F\", 1, {16 401 108 419}, 0x900, 0xFF000000)",
                           "font#1.draw_text(\"E\", 1, {6 400 107 418}, 0x900, 0xFF00FFFF)",
                           "font#1.draw_text(\"F\", 1, {15 400 107 418}, 0x900, 0xFF00FFFF)",
                       }));
}

TEST_F(TextTest, TickerStepsDoubleByteGlyphsAndHalfWidthKatakana) {
    // "あ" (2 bytes), half-width "ｱ" (1 byte), "A", and a lead byte left alone at the end.
    // At x = -1 the first glyph's left is -1: skipped, but the cursor still moves 18 for it.
    draw_ticker_text_on(*font, 18, "\x82\xA0\xB1" "A\x82", -1, 10, 0xFF00FFFF, 0);
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "font#1.draw_text(\"\\xB1\", 1, {17 10 89 28}, 0x900, 0xFF00FFFF)",
                           "font#1.draw_text(\"A\", 1, {26 10 89 28}, 0x900, 0xFF00FFFF)",
                           "font#1.draw_text(\"\\x82\\x00\", 2, {35 10 89 28}, 0x900, 0xFF00FFFF)",
                       }));
}

TEST_F(TextTest, TickerAboveTheTopEdge) {
    draw_ticker_text_on(*font, 18, "AB", 0, -2, 0xFF00FFFF, 0xFF000000);
    EXPECT_TRUE(calls().empty());
    draw_ticker_text_on(*font, 18, "AB", 0, -1, 0xFF00FFFF, 0xFF000000);
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "font#1.draw_text(\"A\", 1, {1 0 36 18}, 0x900, 0xFF000000)",
                           "font#1.draw_text(\"B\", 1, {10 0 36 18}, 0x900, 0xFF000000)",
                       }));
}

TEST(LogFontTest, FieldsAndFaceName) {
    const char face[] = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
    LogFont f = make_log_font(12, 400, face);
    EXPECT_EQ(f.height, 12);
    EXPECT_EQ(f.weight, 400);
    EXPECT_EQ(f.width | f.escapement | f.orientation, 0);
    EXPECT_EQ(f.italic | f.underline | f.strikeOut | f.outPrecision | f.clipPrecision | f.pitchAndFamily, 0);
    EXPECT_EQ(f.charSet, 128);
    EXPECT_EQ(f.quality, 4);
    EXPECT_STREQ(f.faceName, face);
    // A face too long for the field is cut before a double-byte character, never inside one.
    std::string longFace = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234" "\x82\xA0" "tail";  // 30 single bytes, then あ
    LogFont cut = make_log_font(18, 700, longFace.c_str());
    EXPECT_EQ(std::string(cut.faceName), longFace.substr(0, 30));
    EXPECT_EQ(cut.faceName[31], '\0');
}

}  // namespace
}  // namespace brine
