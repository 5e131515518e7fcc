#include "platform/linux/gl_font.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/linux/text_codec.h"

namespace brine {

namespace {

constexpr int kAtlasSize = 1024;
constexpr int kGlyphPadding = 2;           // room for synthetic bold and antialiasing fringes
constexpr std::size_t kMaxLayouts = 512;   // distinct strings kept laid out
constexpr std::uint32_t kDtCalcRect = 0x400;
constexpr std::uint8_t kNonAntialiasedQuality = 3;
constexpr int kDefaultHeight = 16;         // GDI's choice for a height of 0 at 96 dpi

struct FaceAlias {
    const char* windowsName;
    const char* family;
};

// Windows' Japanese faces and the IPA faces with the same advances. fontconfig knows none of the
// Windows names, so the mapping is made here.
const FaceAlias kFaceAliases[] = {
    {"ＭＳ ゴシック", "IPAGothic"},   {"MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
    {"ＭＳ ＵＩ Gothic", "IPAPGothic"}, {"MS UI Gothic", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},       {"MS Mincho", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
};

const char* const kJapaneseFallbacks[] = {"IPAGothic", "Noto Sans CJK JP", "VL Gothic", "TakaoGothic"};

// The Windows faces' cell: ascent 220 and descent 36 of 256 units, so a positive height is the em
// size. The IPA faces reach further (1.076 em); sized by their own cell they would come out a pixel
// or two smaller than the text layout (7 or 9 pixels a byte) was made for.
constexpr double kWindowsFaceAscent = 220.0 / 256.0;

bool is_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool is_windows_face(const std::string& faceUtf8) {
    for (const FaceAlias& alias : kFaceAliases)
        if (faceUtf8 == alias.windowsName) return true;
    return false;
}

}  // namespace

QStringList font_families_for(const std::string& faceUtf8, std::uint8_t charSet) {
    QStringList families;
    for (const FaceAlias& alias : kFaceAliases)
        if (faceUtf8 == alias.windowsName) families << QString::fromLatin1(alias.family);
    if (!faceUtf8.empty()) families << QString::fromStdString(faceUtf8);
    if (charSet == kShiftJisCharset || families.isEmpty())
        for (const char* name : kJapaneseFallbacks)
            if (!families.contains(QLatin1String(name))) families << QString::fromLatin1(name);
    return families;
}

HResult GlFont::create(std::shared_ptr<GlDeviceCore> core, const LogFont& description, GlFont** out) {
    *out = nullptr;
    const std::size_t faceLength = strnlen(description.faceName, sizeof description.faceName);
    const std::string face = sjis_to_utf8(std::string_view(description.faceName, faceLength));
    QFont font;
    font.setFamilies(font_families_for(face, description.charSet));
    const int weight = description.weight == 0 ? 400 : std::min(std::max(description.weight, 1), 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);
    font.setKerning(false);  // GDI does not kern
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(description.quality == kNonAntialiasedQuality ? QFont::NoAntialias : QFont::PreferAntialias);

    // GDI: a positive height is the cell (ascent + descent), a negative one the em size.
    const int asked = description.height == 0 ? kDefaultHeight : description.height;
    const int cell = std::abs(asked);
    if (cell > 2048) return kD3dErrInvalidCall;
    const bool windowsFace = is_windows_face(face);
    font.setPixelSize(1000);
    QFontMetricsF reference(font);
    const double extent = windowsFace ? 1000.0 : reference.ascent() + reference.descent();
    if (!(extent > 0.0)) return kD3dErrNotAvailable;
    int pixelSize = cell;
    if (asked > 0) pixelSize = std::max(1, static_cast<int>(std::lround(cell * 1000.0 / extent)));
    font.setPixelSize(pixelSize);
    if (description.width > 0) {  // a width asks for a horizontally scaled face
        const double average = QFontMetricsF(font).averageCharWidth();
        if (average > 0.0)
            font.setStretch(std::min(4000, std::max(1, static_cast<int>(std::lround(description.width * 100.0 / average)))));
    }
    QFontMetricsF metrics(font);
    const double fontExtent = windowsFace ? pixelSize : metrics.ascent() + metrics.descent();
    const double ascentShare = windowsFace ? kWindowsFaceAscent : metrics.ascent() / fontExtent;
    const int cellHeight = asked > 0 ? cell : static_cast<int>(std::lround(fontExtent));
    const int ascent = static_cast<int>(std::lround(cellHeight * ascentShare));

    GlFont* result = new GlFont(std::move(core), font, cellHeight, ascent);
    if (!result->init()) {
        result->release();
        return kD3dErrNotAvailable;
    }
    *out = result;
    return kOk;
}

GlFont::GlFont(std::shared_ptr<GlDeviceCore> core, const QFont& font, int cellHeight, int ascent)
    : core_(std::move(core)), font_(font), cellHeight_(cellHeight), ascent_(ascent) {
    vertices_.reserve(24 * 64);
}

GlFont::~GlFont() = default;

bool GlFont::init() {
    if (!core_->ensure_current()) return false;
    GlFunctions* gl = core_->gl;
    program_ = core_->textProgram.lock();
    if (!program_) {
        GlDeviceCore* core = core_.get();
        std::shared_ptr<TextProgram> built(new TextProgram(), [core](TextProgram* p) {
            if (core->ensure_current()) {
                p->destroy(core->gl);
                core->object_deleted();
            }
            delete p;
        });
        if (!built->build(gl)) return false;
        core_->textProgram = built;
        program_ = std::move(built);
    }
    gl->glGenVertexArrays(1, &vao_);
    core_->state.invalidate();
    core_->state.bind_vertex_array(vao_);
    core_->state.bind_array_buffer(core_->streamBuffer);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<const void*>(8));
    gl->glGenTextures(1, &atlas_);
    core_->state.bind_texture(atlas_);
    const std::vector<unsigned char> blank(static_cast<std::size_t>(kAtlasSize) * kAtlasSize, 0);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kAtlasSize, kAtlasSize, 0, GL_RED, GL_UNSIGNED_BYTE, blank.data());
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return gl->glGetError() == GL_NO_ERROR;
}

void GlFont::release() {
    if (core_->ensure_current()) {
        GlFunctions* gl = core_->gl;
        if (vao_) gl->glDeleteVertexArrays(1, &vao_);
        if (atlas_) gl->glDeleteTextures(1, &atlas_);
        core_->object_deleted();
    }
    program_.reset();  // the last font frees it
    delete this;
}

QString GlFont::resolved_family() const { return QFontInfo(font_).family(); }

void GlFont::clear_atlas() {
    glyphs_.clear();
    layouts_.clear();
    rawFonts_.clear();
    shelfX_ = shelfY_ = shelfHeight_ = 0;
    atlasFull_ = false;
}

const GlFont::Glyph* GlFont::glyph(const QRawFont& font, std::uint32_t index) {
    std::size_t fontIndex = 0;
    while (fontIndex < rawFonts_.size() && !(rawFonts_[fontIndex] == font)) ++fontIndex;
    if (fontIndex == rawFonts_.size()) rawFonts_.push_back(font);
    const std::uint64_t key = (std::uint64_t(fontIndex) << 32) | index;
    auto found = glyphs_.find(key);
    if (found != glyphs_.end()) return &found->second;

    Glyph g;
    const QRectF box = font.boundingRect(index);
    if (!box.isEmpty()) {
        g.left = static_cast<int>(std::floor(box.left())) - kGlyphPadding;
        g.top = static_cast<int>(std::floor(box.top())) - kGlyphPadding;
        g.width = static_cast<int>(std::ceil(box.right())) + kGlyphPadding - g.left;
        g.height = static_cast<int>(std::ceil(box.bottom())) + kGlyphPadding - g.top;
        if (g.width > kAtlasSize || g.height > kAtlasSize) return nullptr;
        if (shelfX_ + g.width > kAtlasSize) {
            shelfY_ += shelfHeight_;
            shelfX_ = shelfHeight_ = 0;
        }
        if (shelfY_ + g.height > kAtlasSize) {
            atlasFull_ = true;
            return nullptr;
        }
        g.u = shelfX_;
        g.v = shelfY_;
        shelfX_ += g.width;
        shelfHeight_ = std::max(shelfHeight_, g.height);

        QImage image(g.width, g.height, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            const bool antialias = !(font_.styleStrategy() & QFont::NoAntialias);
            painter.setRenderHint(QPainter::TextAntialiasing, antialias);
            painter.setRenderHint(QPainter::Antialiasing, antialias);
            painter.setPen(Qt::white);
            QGlyphRun run;
            run.setRawFont(font);
            run.setGlyphIndexes({index});
            run.setPositions({QPointF(-g.left, -g.top)});
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
        std::vector<unsigned char> coverage(static_cast<std::size_t>(g.width) * g.height);
        for (int y = 0; y < g.height; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < g.width; ++x) coverage[std::size_t(y) * g.width + x] = static_cast<unsigned char>(qAlpha(row[x]));
        }
        GlFunctions* gl = core_->gl;
        core_->state.bind_texture(atlas_);
        gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gl->glTexSubImage2D(GL_TEXTURE_2D, 0, g.u, g.v, g.width, g.height, GL_RED, GL_UNSIGNED_BYTE, coverage.data());
        gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
    return &glyphs_.emplace(key, g).first->second;
}

bool GlFont::lay_out(const std::string& sjis, bool prefixes, TextLayout* layout) {
    QString text = QString::fromStdString(sjis_to_utf8(sjis));
    if (prefixes) {  // "&x" underlines x in GDI; here the marker just goes, "&&" stays one "&"
        QString plain;
        for (int i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
            else if (text[i] == QLatin1Char('&')) continue;
            plain += text[i];
        }
        text = plain;
    }
    text.remove(QLatin1Char('\r'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout->glyphs.clear();
    layout->lines = static_cast<int>(lines.size());
    layout->width = 0;
    for (int lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
        QTextLayout textLayout(lines[lineIndex], font_);
        textLayout.setTextOption(option);
        textLayout.beginLayout();
        QTextLine line = textLayout.createLine();
        textLayout.endLayout();
        if (!line.isValid()) continue;
        layout->width = std::max(layout->width, static_cast<int>(std::ceil(line.naturalTextWidth())));
        // The cell's top is the text's top: the baseline stands the face's ascent below it, as in
        // GDI, whatever line height the fallback faces would make.
        const float baseline = static_cast<float>(lineIndex * cellHeight_ + ascent_);
        for (const QGlyphRun& run : textLayout.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
                const Glyph* g = glyph(raw, indexes[i]);
                if (!g) return false;
                if (g->width == 0) continue;
                const float penX = std::round(static_cast<float>(positions[i].x()));
                const float penY = baseline + std::round(static_cast<float>(positions[i].y() - line.ascent()));
                layout->glyphs.push_back(PlacedGlyph{penX + g->left, penY + g->top, g});
            }
        }
    }
    return true;
}

const GlFont::TextLayout* GlFont::layout_text(const std::string& key) {
    auto found = layouts_.find(key);
    if (found != layouts_.end()) return &found->second;
    if (layouts_.size() >= kMaxLayouts) layouts_.clear();
    TextLayout layout;
    const bool prefixes = key[0] != 0;
    const std::string sjis = key.substr(1);
    if (!lay_out(sjis, prefixes, &layout)) {
        if (!atlasFull_) return nullptr;
        clear_atlas();  // start the atlas over with what is drawn now
        if (!lay_out(sjis, prefixes, &layout)) return nullptr;
    }
    return &layouts_.emplace(key, std::move(layout)).first->second;
}

int GlFont::draw_text(const char* text, int count, Rect* rect, std::uint32_t format, D3DColor color) {
    if (!text || !rect || count < -1) return 0;
    std::size_t length = count == -1 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(count));
    // A lead byte without its trail byte at the end has no character to show.
    for (std::size_t i = 0; i < length; ++i) {
        if (is_lead_byte(static_cast<unsigned char>(text[i]))) {
            if (i + 1 >= length) {
                length = i;
                break;
            }
            ++i;
        }
    }
    if (length == 0) return 0;
    if (!core_->ensure_current()) return 0;
    key_.assign(1, (format & kDtNoPrefix) ? '\0' : '\1');
    key_.append(text, length);
    const TextLayout* layout = layout_text(key_);
    if (!layout) return 0;
    const int height = layout->lines * cellHeight_;
    if (format & kDtCalcRect) {
        rect->right = rect->left + layout->width;
        rect->bottom = rect->top + height;
        return height;
    }
    if (layout->glyphs.empty()) return height;

    vertices_.clear();
    const float left = static_cast<float>(rect->left), top = static_cast<float>(rect->top);
    for (const PlacedGlyph& placed : layout->glyphs) {
        const Glyph& g = *placed.glyph;
        const float x0 = left + placed.x, y0 = top + placed.y, x1 = x0 + g.width, y1 = y0 + g.height;
        const float u0 = static_cast<float>(g.u), v0 = static_cast<float>(g.v);
        const float u1 = u0 + g.width, v1 = v0 + g.height;
        const float quad[24] = {x0, y0, u0, v0, x1, y0, u1, v0, x0, y1, u0, v1,
                                x1, y0, u1, v0, x1, y1, u1, v1, x0, y1, u0, v1};
        vertices_.insert(vertices_.end(), quad, quad + 24);
    }
    const long long offset = core_->stream_write(vertices_.data(), vertices_.size() * sizeof(float), 16);
    if (offset < 0) return 0;

    // ID3DXSprite's states: screen space over the viewport, alpha blending, no depth, no culling.
    GlStateCache& st = core_->state;
    GlFunctions* gl = core_->gl;
    const Viewport& vp = core_->viewport;
    const GLint viewportBottom = static_cast<GLint>(core_->backBufferHeight - vp.y - vp.height);
    st.bind_draw_framebuffer(core_->backBufferFbo);
    st.viewport(static_cast<GLint>(vp.x), viewportBottom, static_cast<GLsizei>(vp.width),
                static_cast<GLsizei>(vp.height));
    st.depth_test(false);
    st.cull(false);
    st.polygon_mode(GL_FILL);
    st.blend(true);
    st.blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (format & kDtNoClip) {
        st.scissor_test(false);
    } else {
        const std::int64_t l = std::max<std::int64_t>(0, std::int64_t(vp.x) + rect->left);
        const std::int64_t r = std::int64_t(vp.x) + rect->right;
        const std::int64_t t = std::max<std::int64_t>(0, std::int64_t(vp.y) + rect->top);
        const std::int64_t b = std::int64_t(vp.y) + rect->bottom;
        if (r <= l || b <= t) return height;
        st.scissor_test(true);
        st.scissor(static_cast<GLint>(l), static_cast<GLint>(std::int64_t(core_->backBufferHeight) - b),
                   static_cast<GLsizei>(r - l), static_cast<GLsizei>(b - t));
    }
    TextProgram& p = *program_;
    st.use_program(p.program);
    const float viewport[2] = {static_cast<float>(vp.width), static_cast<float>(vp.height)};
    if (viewport[0] != p.sentViewport[0] || viewport[1] != p.sentViewport[1]) {
        gl->glUniform2f(p.viewportSize, viewport[0], viewport[1]);
        p.sentViewport[0] = viewport[0];
        p.sentViewport[1] = viewport[1];
    }
    if (p.sentAtlas[0] != kAtlasSize) {
        gl->glUniform2f(p.atlasSize, static_cast<float>(kAtlasSize), static_cast<float>(kAtlasSize));
        p.sentAtlas[0] = p.sentAtlas[1] = kAtlasSize;
    }
    if (!p.colourSent || p.sentColour != color) {
        gl->glUniform4f(p.colour, ((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                        (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f);
        p.sentColour = color;
        p.colourSent = true;
    }
    st.bind_vertex_array(vao_);
    st.bind_texture(atlas_);
    gl->glDrawArrays(GL_TRIANGLES, static_cast<GLint>(offset / 16), static_cast<GLsizei>(vertices_.size() / 4));
    return height;
}

}  // namespace brine
