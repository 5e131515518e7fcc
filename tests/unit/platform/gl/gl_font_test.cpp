// Fonts on the OpenGL device: the Windows Japanese faces resolve to the IPA faces, GDI's cell
// height holds, and glyphs land where the text rectangle says, in the asked-for colour.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/linux/gl_font.h"
#include "tests/unit/platform/gl/gl_test_support.h"

namespace brine::test {

namespace {

const char kMsGothic[] = "\x82l\x82r \x83S\x83V\x83" "b\x83N";              // ＭＳ ゴシック
const char kMsPGothic[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";        // ＭＳ Ｐゴシック
const char kGoldfish[] = "\x8B\xE0\x8B\x9B";                                  // 金魚

LogFont log_font(int height, int weight, const char* face) {
    LogFont f{};
    f.height = height;
    f.weight = weight;
    f.charSet = kShiftJisCharset;
    f.quality = kAntialiasedQuality;
    std::strncpy(f.faceName, face, sizeof f.faceName - 1);
    return f;
}

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, count = 0;
};

}  // namespace

class GlFontTest : public GlDeviceTest {
protected:
    GlFont* create(const LogFont& description) {
        Font* font = nullptr;
        EXPECT_EQ(device_->create_font(description, &font), kOk);
        return static_cast<GlFont*>(font);
    }
    // Pixels brighter than the black background, and where they lie.
    Box lit(int threshold = 64) {
        Box box;
        read();
        for (std::uint32_t y = 0; y < kHeight; ++y)
            for (std::uint32_t x = 0; x < kWidth; ++x) {
                const std::uint32_t p = at(x, y);
                if (std::max({channel(p, 16), channel(p, 8), channel(p, 0)}) < threshold) continue;
                box.left = std::min(box.left, static_cast<int>(x));
                box.right = std::max(box.right, static_cast<int>(x));
                box.top = std::min(box.top, static_cast<int>(y));
                box.bottom = std::max(box.bottom, static_cast<int>(y));
                ++box.count;
            }
        return box;
    }
};

TEST_F(GlFontTest, WindowsJapaneseFacesResolveToIpaFaces) {
    EXPECT_EQ(font_families_for("ＭＳ ゴシック", kShiftJisCharset).front(), "IPAGothic");
    EXPECT_EQ(font_families_for("MS PGothic", 0).front(), "IPAPGothic");
    EXPECT_EQ(font_families_for("", kShiftJisCharset).front(), "IPAGothic");
    GlFont* gothic = create(log_font(12, 400, kMsGothic));
    ASSERT_NE(gothic, nullptr);
    EXPECT_EQ(gothic->resolved_family(), "IPAGothic");
    // Sized as the Windows face would be: its cell is its em.
    EXPECT_EQ(gothic->cell_height(), 12);
    EXPECT_EQ(gothic->pixel_size(), 12);
    gothic->release();
    GlFont* proportional = create(log_font(18, 700, kMsPGothic));
    ASSERT_NE(proportional, nullptr);
    EXPECT_EQ(proportional->resolved_family(), "IPAPGothic");
    EXPECT_EQ(proportional->cell_height(), 18);
    EXPECT_EQ(proportional->pixel_size(), 18);
    proportional->release();
    // Any other face keeps GDI's rule on its own metrics: ascent plus descent make the cell.
    GlFont* other = create(log_font(24, 400, "IPAGothic"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->cell_height(), 24);
    EXPECT_LT(other->pixel_size(), 24);
    other->release();
    // A negative height is the character (em) height.
    GlFont* em = create(log_font(-20, 400, kMsGothic));
    ASSERT_NE(em, nullptr);
    EXPECT_EQ(em->pixel_size(), 20);
    em->release();
}

TEST_F(GlFontTest, GlyphsLandInsideTheTextRectangle) {
    GlFont* font = create(log_font(12, 400, kMsGothic));
    ASSERT_NE(font, nullptr);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    Rect rect{20, 10, 20 + 12 * 4, 22};
    ASSERT_EQ(font->begin(), kOk);
    EXPECT_EQ(font->draw_text(kGoldfish, -1, &rect, kDtNoClip | kDtNoPrefix, 0xFF00FF00), 12);
    ASSERT_EQ(font->end(), kOk);
    const Box box = lit();
    ASSERT_GT(box.count, 30) << "no glyph pixels";
    // Two full-width characters of a 12-pixel cell starting at the rectangle's top left.
    EXPECT_GE(box.left, 20);
    EXPECT_LE(box.left, 22);
    EXPECT_GE(box.top, 10);
    EXPECT_LE(box.top, 12);
    EXPECT_LE(box.right, 20 + 24);
    EXPECT_GE(box.right, 20 + 20);
    EXPECT_LE(box.bottom, 10 + 12);
    // Drawn in the colour asked for: green only.
    for (std::uint32_t y = 0; y < kHeight; ++y)
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            EXPECT_EQ(channel(at(x, y), 16), 0);
            EXPECT_EQ(channel(at(x, y), 0), 0);
        }

    // The same text lower down is the same picture, moved: glyphs come from the atlas unchanged.
    const std::vector<std::uint32_t> first = pixels_;
    Rect lower{20, 40, 68, 52};
    font->draw_text(kGoldfish, 4, &lower, kDtNoClip | kDtNoPrefix, 0xFF00FF00);
    read();
    for (std::uint32_t y = 10; y < 22; ++y)
        for (std::uint32_t x = 18; x < 48; ++x) ASSERT_EQ(at(x, y + 30), first[y * kWidth + x] & 0xFFFFFF) << x << "," << y;
    font->release();
}

TEST_F(GlFontTest, FontsShareOneProgramAndEachKeepsItsColour) {
    GlFont* small = create(log_font(12, 400, kMsGothic));
    GlFont* large = create(log_font(18, 700, kMsPGothic));
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    Rect a{2, 2, 60, 14}, b{2, 18, 60, 36};
    small->draw_text(kGoldfish, -1, &a, kDtNoClip | kDtNoPrefix, 0xFFFF0000);
    large->draw_text(kGoldfish, -1, &b, kDtNoClip | kDtNoPrefix, 0xFF0000FF);
    small->release();  // the program stays for the font still there
    Rect c{2, 40, 60, 58};
    large->draw_text(kGoldfish, -1, &c, kDtNoClip | kDtNoPrefix, 0xFF0000FF);
    read();
    int red = 0, blue = 0, blueLow = 0;
    for (std::uint32_t y = 0; y < kHeight; ++y)
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            const std::uint32_t p = at(x, y);
            if (channel(p, 16) > 128 && channel(p, 0) == 0 && y < 16) ++red;
            if (channel(p, 0) > 128 && channel(p, 16) == 0 && y >= 16 && y < 38) ++blue;
            if (channel(p, 0) > 128 && channel(p, 16) == 0 && y >= 38) ++blueLow;
            EXPECT_FALSE(channel(p, 16) > 0 && y >= 16) << "red spilled into another caption at " << x << "," << y;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, 30);
    EXPECT_EQ(blueLow, blue) << "the same caption drawn after the other font went";
    large->release();
    // A font made after both went builds the program again.
    GlFont* again = create(log_font(12, 400, kMsGothic));
    ASSERT_NE(again, nullptr);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    again->draw_text(kGoldfish, -1, &a, kDtNoClip | kDtNoPrefix, 0xFF00FF00);
    read();
    int green = 0;
    for (std::uint32_t y = 0; y < 16; ++y)
        for (std::uint32_t x = 0; x < kWidth; ++x) green += channel(at(x, y), 8) > 128 ? 1 : 0;
    EXPECT_GT(green, 20);
    again->release();
}

TEST_F(GlFontTest, WeightAndMeasuring) {
    GlFont* regular = create(log_font(18, 400, kMsGothic));
    GlFont* bold = create(log_font(18, 700, kMsGothic));
    ASSERT_TRUE(regular && bold);
    Rect rect{2, 2, 0, 0};
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    regular->draw_text(kGoldfish, -1, &rect, kDtNoClip, 0xFFFFFFFF);
    const int regularCount = lit(128).count;
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    bold->draw_text(kGoldfish, -1, &rect, kDtNoClip, 0xFFFFFFFF);
    EXPECT_GT(lit(128).count, regularCount);
    // DT_CALCRECT measures without drawing: two full-width characters, one cell high.
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    Rect measured{5, 7, 5, 7};
    EXPECT_EQ(regular->draw_text(kGoldfish, -1, &measured, kDtNoClip | 0x400, 0xFFFFFFFF), 18);
    EXPECT_EQ(lit().count, 0);
    EXPECT_EQ(measured.bottom, 7 + 18);
    EXPECT_GE(measured.right - measured.left, 34);
    EXPECT_LE(measured.right - measured.left, 38);
    // Two lines are two cells.
    EXPECT_EQ(regular->draw_text("ab\ncd", -1, &measured, kDtNoClip | 0x400, 0xFFFFFFFF), 36);
    regular->release();
    bold->release();
}

TEST_F(GlFontTest, BrokenTextDrawsWhatItCan) {
    GlFont* font = create(log_font(12, 400, kMsGothic));
    ASSERT_NE(font, nullptr);
    Rect rect{0, 0, 64, 12};
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    // A lead byte with no trail byte at the end is dropped: one character drawn.
    EXPECT_EQ(font->draw_text("\x8B\xE0\x8B", -1, &rect, kDtNoClip, 0xFFFFFFFF), 12);
    const Box box = lit();
    EXPECT_GT(box.count, 10);
    EXPECT_LE(box.right, 12);
    EXPECT_EQ(font->draw_text("\x8B", 1, &rect, kDtNoClip, 0xFFFFFFFF), 0);
    EXPECT_EQ(font->draw_text("", -1, &rect, kDtNoClip, 0xFFFFFFFF), 0);
    EXPECT_EQ(font->draw_text(nullptr, -1, &rect, kDtNoClip, 0xFFFFFFFF), 0);
    EXPECT_EQ(font->draw_text("abc", -1, nullptr, kDtNoClip, 0xFFFFFFFF), 0);
    // Without DT_NOCLIP the rectangle clips.
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    Rect narrow{0, 0, 6, 12};
    font->draw_text(kGoldfish, -1, &narrow, 0, 0xFFFFFFFF);
    EXPECT_LE(lit().right, 5);
    font->release();
}

TEST_F(GlFontTest, ManyDistinctStringsStayBounded) {
    GlFont* font = create(log_font(18, 400, kMsGothic));
    ASSERT_NE(font, nullptr);
    Rect rect{0, 0, 64, 18};
    // Every two-byte Shift-JIS code of one lead-byte row and many numbers: the layout cache and
    // the glyph atlas start over when full instead of growing.
    char text[3] = {};
    for (int lead = 0x88; lead <= 0x9F; ++lead)
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            text[0] = static_cast<char>(lead);
            text[1] = static_cast<char>(trail);
            ASSERT_EQ(font->draw_text(text, 2, &rect, kDtNoClip, 0xFFFFFFFF), 18);
        }
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    EXPECT_EQ(font->draw_text(kGoldfish, -1, &rect, kDtNoClip, 0xFFFFFFFF), 18);
    EXPECT_GT(lit().count, 30);
    font->release();
}

}  // namespace brine::test
