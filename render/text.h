// On-screen text: the LOGFONT a font is made from, and the two ways a Shift-JIS string is drawn,
// whole with a drop shadow, or glyph by glyph for the ticker so that a line scrolling off the
// left edge loses its glyphs one by one. The font's lfHeight is the layout unit of both.
// Must not depend on any platform header: fonts are reached through render/graphics_device.h.
#pragma once
#include <cstdint>

#include "render/graphics_device.h"

namespace brine {

constexpr std::uint32_t kTextFormat = kDtNoPrefix | kDtNoClip;  // 0x900

// Height, weight and face (Shift-JIS, cut to 31 bytes without splitting a double-byte character);
// Shift-JIS charset, antialiased, everything else 0.
LogFont make_log_font(std::int32_t height, std::int32_t weight, const char* face);

// Whole string: shadow (when shadowColor is not 0) at (x + 1, y + 1), then the text at (x, y).
// Gives what the last draw_text gave.
int draw_shadow_text_on(Font& font, std::int32_t lfHeight, const char* text, std::int32_t x, std::int32_t y,
                        D3DColor color, D3DColor shadowColor);

// Glyph by glyph, the same two passes; a glyph whose cursor left or top is negative is skipped,
// and the cursor moves (lfHeight / 2) per byte. Draws nothing and allocates nothing else.
void draw_ticker_text_on(Font& font, std::int32_t lfHeight, const char* text, std::int32_t x, std::int32_t y,
                         D3DColor color, D3DColor shadowColor);

}  // namespace brine
