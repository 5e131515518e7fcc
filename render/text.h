// On-screen text: the LOGFONT a font is made from, and the two ways a Shift-JIS string is drawn,
// whole with a drop shadow, or glyph by glyph for the ticker so that a line scrolling off the
// left edge loses its glyphs one by one. The font's lfHeight is the layout unit of both.
// Must not depend on any platform header: fonts are reached through device/graphics_device.h.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "data/resource_registry.h"
#include "device/graphics_device.h"

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

// --- on the registry's font entries ---

// Fills the entry's LOGFONT and creates its font on the device (a font it held is released
// first). Gives the device's result; a failure leaves the entry without a font.
HResult create_font(FontResource& entry, GraphicsDevice& device, std::int32_t height, std::int32_t weight,
                    const char* face);
// Bracket one font's text in a frame. A null entry or an entry without a font does nothing.
void begin_font(FontResource* entry);
void end_font(FontResource* entry);
// The operations above with the entry's font and its lfHeight; nothing is drawn without a font
// (draw_shadow_text then gives 0).
int draw_shadow_text(FontResource* entry, const char* text, std::int32_t x, std::int32_t y, D3DColor color,
                     D3DColor shadowColor);
HResult draw_ticker_text(FontResource* entry, const char* text, std::int32_t x, std::int32_t y, D3DColor color,
                         D3DColor shadowColor);

}  // namespace brine
