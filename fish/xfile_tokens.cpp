// Text and binary tokenisers of the X-file reader. Every read is checked against the end of the
// buffer; nothing here allocates. Depends on base/sjis.h and the standard library only.
#include "fish/xfile_tokens.h"

#include "base/sjis.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace brine {
namespace xfile {

namespace {

// Binary token ids.
constexpr unsigned kTokName = 1;
constexpr unsigned kTokString = 2;
constexpr unsigned kTokInteger = 3;
constexpr unsigned kTokGuid = 5;
constexpr unsigned kTokIntegerList = 6;
constexpr unsigned kTokFloatList = 7;
constexpr unsigned kTokOpenBrace = 10;
constexpr unsigned kTokCloseBrace = 11;
constexpr unsigned kTokComma = 19;
constexpr unsigned kTokSemicolon = 20;
constexpr unsigned kTokTemplate = 31;

std::uint16_t load16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t load32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool is_word_delimiter(std::uint8_t c) {
    if (c <= 0x20) return true;
    switch (c) {
    case '{': case '}': case ';': case ',': case '"':
    case '<': case '>': case '[': case ']': case '(': case ')':
        return true;
    default:
        return false;
    }
}

// Names in this program's data are Shift-JIS, whose second bytes may be '{', '}' or '['.
bool is_sjis_pair(std::uint8_t lead, std::uint8_t trail) {
    bool trailOk = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
    return is_sjis_lead(lead) && trailOk;
}

Token make(TokenKind kind) {
    Token t;
    t.kind = kind;
    return t;
}

}  // namespace

bool Token::is(const char* word) const {
    std::size_t n = std::strlen(word);
    return kind == TokenKind::Word && length == n && std::memcmp(text, word, n) == 0;
}

bool parse_text_float(const char* text, std::size_t length, double* out) {
    const char* p = text;
    const char* end = text + length;
    if (p < end && *p == '+') ++p;
    double v = 0.0;
    auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec != std::errc()) return false;
    if (r.ptr != end) {
        // "1.#QNAN0" and friends: from_chars stops at the '#'.
        if (*r.ptr != '#') return false;
        v = 0.0;
    }
    *out = std::isfinite(v) ? v : 0.0;
    return true;
}

bool parse_text_uint(const char* text, std::size_t length, std::uint32_t* out) {
    if (length == 0) return false;
    std::uint64_t v = 0;
    std::size_t i = 0;
    for (; i < length; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') break;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 0xFFFFFFFFu) return false;
    }
    if (i == length) {
        *out = static_cast<std::uint32_t>(v);
        return true;
    }
    double d = 0.0;
    if (!parse_text_float(text, length, &d)) return false;
    if (!(d >= 0.0 && d <= 4294967295.0) || d != std::floor(d)) return false;
    *out = static_cast<std::uint32_t>(d);
    return true;
}

void Tokenizer::start(const std::uint8_t* data, std::size_t size, bool binary, int floatBytes) {
    p_ = data;
    end_ = data + size;
    binary_ = binary;
    floatBytes_ = floatBytes == 8 ? 8 : 4;
    listLeft_ = 0;
    listIsFloat_ = false;
}

std::size_t Tokenizer::max_values_left() const {
    std::size_t bytes = static_cast<std::size_t>(end_ - p_);
    if (binary_) return listLeft_ + bytes / 4;
    return (bytes + 1) / 2;  // a value and its separator take two bytes at least
}

Token Tokenizer::next() {
    return binary_ ? next_binary() : next_text();
}

Token Tokenizer::next_text() {
    for (;;) {
        while (p_ < end_ && *p_ <= 0x20) ++p_;
        if (p_ >= end_) return make(TokenKind::End);
        bool comment = *p_ == '#' || (*p_ == '/' && end_ - p_ >= 2 && p_[1] == '/');
        if (!comment) break;
        while (p_ < end_ && *p_ != '\n' && *p_ != '\r') ++p_;
    }
    std::uint8_t c = *p_;
    switch (c) {
    case '{': ++p_; return make(TokenKind::OpenBrace);
    case '}': ++p_; return make(TokenKind::CloseBrace);
    case ';':
    case ',': ++p_; return make(TokenKind::Separator);
    case '"': {
        const std::uint8_t* q = static_cast<const std::uint8_t*>(
            std::memchr(p_ + 1, '"', static_cast<std::size_t>(end_ - p_ - 1)));
        if (!q) return make(TokenKind::Error);
        Token t = make(TokenKind::String);
        t.text = reinterpret_cast<const char*>(p_ + 1);
        t.length = static_cast<std::size_t>(q - p_ - 1);
        p_ = q + 1;
        return t;
    }
    case '<': {
        const std::uint8_t* q = static_cast<const std::uint8_t*>(
            std::memchr(p_ + 1, '>', static_cast<std::size_t>(end_ - p_ - 1)));
        if (!q) return make(TokenKind::Error);
        p_ = q + 1;
        return make(TokenKind::Guid);
    }
    case '>': case '[': case ']': case '(': case ')':
        ++p_;
        return make(TokenKind::Other);
    default:
        break;
    }
    const std::uint8_t* start = p_;
    while (p_ < end_ && !is_word_delimiter(*p_)) {
        if (end_ - p_ >= 2 && is_sjis_pair(p_[0], p_[1])) {
            p_ += 2;
        } else {
            ++p_;
        }
    }
    Token t = make(TokenKind::Word);
    t.text = reinterpret_cast<const char*>(start);
    t.length = static_cast<std::size_t>(p_ - start);
    if (t.is("template")) t.kind = TokenKind::Template;
    return t;
}

Token Tokenizer::next_binary() {
    for (;;) {
        std::size_t left = static_cast<std::size_t>(end_ - p_);
        if (listLeft_ > 0) {
            // The list's whole length was checked when it began.
            --listLeft_;
            Token t = make(TokenKind::Number);
            if (!listIsFloat_) {
                t.intValue = load32(p_);
                t.floatValue = t.intValue;
                p_ += 4;
            } else {
                t.isFloat = true;
                if (floatBytes_ == 8) {
                    double d;
                    std::memcpy(&d, p_, 8);
                    t.floatValue = d;
                } else {
                    float f;
                    std::memcpy(&f, p_, 4);
                    t.floatValue = f;
                }
                if (!std::isfinite(t.floatValue)) t.floatValue = 0.0;
                p_ += floatBytes_;
            }
            return t;
        }
        if (left < 2) return make(TokenKind::End);
        unsigned id = load16(p_);
        p_ += 2;
        left -= 2;
        switch (id) {
        case kTokName:
        case kTokString: {
            if (left < 4) return make(TokenKind::Error);
            std::uint32_t n = load32(p_);
            if (n > left - 4) return make(TokenKind::Error);
            Token t = make(id == kTokName ? TokenKind::Word : TokenKind::String);
            t.text = reinterpret_cast<const char*>(p_ + 4);
            t.length = n;
            p_ += 4 + static_cast<std::size_t>(n);
            return t;
        }
        case kTokInteger: {
            if (left < 4) return make(TokenKind::Error);
            Token t = make(TokenKind::Number);
            t.intValue = load32(p_);
            t.floatValue = t.intValue;
            p_ += 4;
            return t;
        }
        case kTokGuid:
            if (left < 16) return make(TokenKind::Error);
            p_ += 16;
            return make(TokenKind::Guid);
        case kTokIntegerList:
        case kTokFloatList: {
            if (left < 4) return make(TokenKind::Error);
            std::uint32_t n = load32(p_);
            std::size_t elem = id == kTokIntegerList ? 4 : static_cast<std::size_t>(floatBytes_);
            if (n > (left - 4) / elem) return make(TokenKind::Error);
            p_ += 4;
            listLeft_ = n;
            listIsFloat_ = id == kTokFloatList;
            continue;  // an empty list yields nothing
        }
        case kTokOpenBrace: return make(TokenKind::OpenBrace);
        case kTokCloseBrace: return make(TokenKind::CloseBrace);
        case kTokComma:
        case kTokSemicolon: return make(TokenKind::Separator);
        case kTokTemplate: return make(TokenKind::Template);
        default:
            // ( ) [ ] < > . and the member types of template declarations.
            if ((id >= 12 && id <= 18) || (id >= 40 && id <= 52)) return make(TokenKind::Other);
            return make(TokenKind::Error);
        }
    }
}

}  // namespace xfile
}  // namespace brine
