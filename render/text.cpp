// Text layout over the font interface.
#include "render/text.h"

#include <cstring>

#include "base/sjis.h"

namespace brine {

namespace {

// The rectangle both operations start from: the right edge is a fixed value, not relative to
// x; nothing is clipped, so it never cuts the text.
Rect text_rect(std::int32_t lfHeight, std::size_t length, std::int32_t x, std::int32_t y) {
    return Rect{x + 1, y + 1, lfHeight * static_cast<std::int32_t>(length), y + 1 + lfHeight};
}

void offset(Rect& r, std::int32_t dx, std::int32_t dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

void ticker_pass(Font& font, std::int32_t lfHeight, const char* text, std::size_t length, Rect cursor,
                 D3DColor color) {
    const std::int32_t advance = lfHeight / 2;
    std::size_t i = 0;
    while (i < length) {
        // A lead byte as the last byte pairs with the terminating zero, and drawing ends there.
        std::size_t count = is_sjis_lead(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (cursor.left >= 0 && cursor.top >= 0) {
            Rect r = cursor;  // a backend that writes to the rectangle must not move the cursor
            font.draw_text(text + i, static_cast<int>(count), &r, kTextFormat, color);
        }
        cursor.left += advance * static_cast<std::int32_t>(count);
        i += count;
    }
}

}  // namespace

LogFont make_log_font(std::int32_t height, std::int32_t weight, const char* face) {
    LogFont f{};
    f.height = height;
    f.weight = weight;
    f.charSet = kShiftJisCharset;
    f.quality = kAntialiasedQuality;
    std::size_t n = 0;
    const std::size_t limit = sizeof f.faceName - 1;
    while (face && face[n] != '\0') {
        std::size_t step = is_sjis_lead(static_cast<unsigned char>(face[n])) && face[n + 1] != '\0' ? 2 : 1;
        if (n + step > limit) break;
        n += step;
    }
    if (face) std::memcpy(f.faceName, face, n);
    return f;
}

int draw_shadow_text_on(Font& font, std::int32_t lfHeight, const char* text, std::int32_t x, std::int32_t y,
                        D3DColor color, D3DColor shadowColor) {
    if (!text) return 0;
    Rect r = text_rect(lfHeight, std::strlen(text), x, y);
    if (shadowColor != 0) font.draw_text(text, -1, &r, kTextFormat, shadowColor);
    offset(r, -1, -1);
    return font.draw_text(text, -1, &r, kTextFormat, color);
}

void draw_ticker_text_on(Font& font, std::int32_t lfHeight, const char* text, std::int32_t x, std::int32_t y,
                         D3DColor color, D3DColor shadowColor) {
    if (!text) return;
    const std::size_t length = std::strlen(text);
    Rect r = text_rect(lfHeight, length, x, y);
    if (shadowColor != 0) ticker_pass(font, lfHeight, text, length, r, shadowColor);
    offset(r, -1, -1);
    ticker_pass(font, lfHeight, text, length, r, color);
}

HResult create_font(FontResource& entry, GraphicsDevice& device, std::int32_t height, std::int32_t weight,
                    const char* face) {
    if (entry.font) entry.font->release();
    entry.font = nullptr;
    entry.desc = make_log_font(height, weight, face);
    HResult hr = device.create_font(entry.desc, &entry.font);
    if (failed(hr)) entry.font = nullptr;
    return hr;
}

void begin_font(FontResource* entry) {
    if (entry && entry->font) entry->font->begin();
}

void end_font(FontResource* entry) {
    if (entry && entry->font) entry->font->end();
}

int draw_shadow_text(FontResource* entry, const char* text, std::int32_t x, std::int32_t y, D3DColor color,
                     D3DColor shadowColor) {
    if (!entry || !entry->font) return 0;
    return draw_shadow_text_on(*entry->font, entry->desc.height, text, x, y, color, shadowColor);
}

HResult draw_ticker_text(FontResource* entry, const char* text, std::int32_t x, std::int32_t y, D3DColor color,
                         D3DColor shadowColor) {
    if (entry && entry->font) draw_ticker_text_on(*entry->font, entry->desc.height, text, x, y, color, shadowColor);
    return kOk;
}

}  // namespace brine
