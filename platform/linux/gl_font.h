// The D3DX font on OpenGL: a LOGFONT resolved to a Qt font (the Windows Japanese faces mapped to
// the IPA fonts of the same metrics), Shift-JIS text laid out by Qt, each glyph rasterised once
// with QPainter into an atlas texture, and each draw_text call drawn as one batch of textured
// quads into the device's back buffer. Linux platform layer only.
#pragma once
#include <QFont>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/linux/gl_device_core.h"
#include "platform/linux/gl_fixed_function.h"

namespace brine {

// The families tried for a LOGFONT face name (UTF-8), first choice first: a Windows Japanese face
// becomes its IPA counterpart; Shift-JIS fonts fall back on installed Japanese Gothic faces.
QStringList font_families_for(const std::string& faceUtf8, std::uint8_t charSet);

class GlFont : public Font {
public:
    static HResult create(std::shared_ptr<GlDeviceCore> core, const LogFont& description, GlFont** out);

    HResult begin() override { return kOk; }
    int draw_text(const char* text, int count, Rect* rect, std::uint32_t format, D3DColor color) override;
    HResult end() override { return kOk; }
    void release() override;

    // --- Linux additions (tests) ---
    QString resolved_family() const;  // the face fontconfig actually gave
    int pixel_size() const { return font_.pixelSize(); }
    int cell_height() const { return cellHeight_; }

private:
    struct Glyph {  // a rasterised glyph: its atlas texels and its box relative to the pen
        int u = 0, v = 0, width = 0, height = 0, left = 0, top = 0;
    };
    struct PlacedGlyph {
        float x, y;  // box top left relative to the text's top left
        const Glyph* glyph;
    };
    struct TextLayout {
        std::vector<PlacedGlyph> glyphs;
        int lines = 0, width = 0;
    };

    GlFont(std::shared_ptr<GlDeviceCore> core, const QFont& font, int cellHeight, int ascent);
    ~GlFont() override;
    bool init();
    const TextLayout* layout_text(const std::string& key);
    bool lay_out(const std::string& sjis, bool prefixes, TextLayout* layout);
    const Glyph* glyph(const QRawFont& font, std::uint32_t index);
    void clear_atlas();

    std::shared_ptr<GlDeviceCore> core_;
    QFont font_;
    int cellHeight_, ascent_;
    std::shared_ptr<TextProgram> program_;  // shared by the device's fonts
    GLuint vao_ = 0, atlas_ = 0;
    int shelfX_ = 0, shelfY_ = 0, shelfHeight_ = 0;
    bool atlasFull_ = false;
    std::vector<QRawFont> rawFonts_;  // fonts the glyph keys index (the face and its fallbacks)
    std::unordered_map<std::uint64_t, Glyph> glyphs_;
    std::unordered_map<std::string, TextLayout> layouts_;
    std::string key_;             // reused lookup key, so steady drawing allocates nothing
    std::vector<float> vertices_;  // reused vertex batch
};

}  // namespace brine
