#include "data/script_text.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "base/sjis.h"

namespace brine {

namespace {

bool is_blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_c_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
// The reader's test for "this token is a number": anything else keeps the old value.
bool starts_number(const char* token) { return token[0] == '-' || is_digit(static_cast<unsigned char>(token[0])); }

}  // namespace

// ---- number conversion ----

std::int32_t atol_value(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (is_c_space(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    std::int64_t value = 0;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    while (is_digit(*p)) {
        value = value * 10 + (*p++ - '0');
        if (value > limit) value = limit;  // keeps saturating, never overflows
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

double atof_value(const char* text) {
    const char* p = text;
    while (is_c_space(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    const char* begin = p;
    const char* q = p;
    int intSignificant = 0;  // integer digits after leading zeros
    int fracZeros = 0;       // zeros right after the point, when the integer part is zero
    int digits = 0;
    bool seenNonZero = false;
    while (is_digit(static_cast<unsigned char>(*q))) {
        if (*q != '0') seenNonZero = true;
        if (seenNonZero) ++intSignificant;
        ++digits;
        ++q;
    }
    if (*q == '.') {
        ++q;
        while (is_digit(static_cast<unsigned char>(*q))) {
            if (*q != '0') seenNonZero = true;
            if (!seenNonZero) ++fracZeros;
            ++digits;
            ++q;
        }
    }
    if (digits == 0) return 0.0;
    long exponent = 0;
    if (*q == 'e' || *q == 'E') {
        const char* r = q + 1;
        bool expNegative = false;
        if (*r == '+' || *r == '-') expNegative = (*r++ == '-');
        if (is_digit(static_cast<unsigned char>(*r))) {
            while (is_digit(static_cast<unsigned char>(*r))) {
                if (exponent < 1000000) exponent = exponent * 10 + (*r - '0');
                ++r;
            }
            if (expNegative) exponent = -exponent;
            q = r;
        }
    }
    double value = 0.0;
    std::from_chars_result res = std::from_chars(begin, q, value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        long magnitude = intSignificant > 0 ? intSignificant - 1 + exponent : exponent - fracZeros - 1;
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (res.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

float to_float(double value) {
    if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// ---- ScriptText ----

ScriptText::ScriptText() {
    set_name("TKLIB_SCRIPT");
    kind = kResourceScript;
}

ScriptText::~ScriptText() { release(); }

void ScriptText::set_text(MemoryBlock block) {
    buffer_ = std::move(block);
    cursor_ = 0;
}

bool ScriptText::set_text_copy(const void* bytes, std::uint32_t size) {
    MemoryBlock block = MemoryBlock::copy_of(bytes, size);
    if (!block.valid()) return false;
    set_text(std::move(block));
    return true;
}

HResult ScriptText::load(const char* path, const char* member) {
    release();
    MemoryBlock block;
    HResult r = load_into_memory(path, member, &block);
    if (failed(r)) return r;
    set_text(std::move(block));
    return kOk;
}

void ScriptText::release() {
    buffer_.reset();
    cursor_ = 0;
}

unsigned char ScriptText::peek(std::uint32_t ahead) const {
    std::uint64_t at = static_cast<std::uint64_t>(cursor_) + ahead;
    if (!buffer_.valid() || at >= buffer_.size()) return 0;  // the trailing zero, or past it
    return buffer_.data()[at];
}

void ScriptText::advance(std::uint32_t n) {
    std::uint64_t at = static_cast<std::uint64_t>(cursor_) + n;
    std::uint64_t limit = static_cast<std::uint64_t>(buffer_.size()) + 1;
    cursor_ = static_cast<std::uint32_t>(at < limit ? at : limit);
}

bool ScriptText::skip_blanks() {
    while (is_blank(peek())) {
        advance(1);
        if (at_end()) return false;
    }
    return true;
}

bool ScriptText::skip_comment() {
    for (;;) {
        unsigned char c = peek();
        if (c == '\r') return true;
        advance(is_sjis_lead(c) ? 2 : 1);
        if (at_end()) return false;
    }
}

bool ScriptText::read_until(char delimiter, Token& out, std::uint32_t* length) {
    std::uint32_t n = 0;
    bool ok = false;
    for (;;) {
        unsigned char c = peek();
        if (c == static_cast<unsigned char>(delimiter)) {
            advance(1);
            ok = true;
            break;
        }
        std::uint32_t width = is_sjis_lead(c) ? 2 : 1;
        if (n + width > kTokenSize - 1) break;  // refused: the token does not fit
        out[n++] = static_cast<char>(c);
        if (width == 2) out[n++] = static_cast<char>(peek(1));
        advance(width);
        if (at_end()) break;
    }
    out[n] = '\0';
    if (length) *length = n;
    return ok;
}

const ValueList* ScriptText::read_reference(ValueType type, char delimiter) {
    Token name;
    if (!read_until(delimiter, name)) return nullptr;
    if (!registry_) return nullptr;
    const ResourceNode* node = registry_->find_resource(name);
    if (!node || node->kind != kResourceValueList) return nullptr;
    const auto* value = static_cast<const ValueList*>(node);
    return value->type == type ? value : nullptr;
}

bool ScriptText::read_int(std::int32_t* out, char delimiter) {
    if (!skip_blanks()) return false;
    if (peek() == '@') {
        advance(1);
        const ValueList* v = read_reference(kValueInt, delimiter);
        if (!v) return false;
        if (out) *out = v->intValue;
        return true;
    }
    Token token;
    if (!read_until(delimiter, token)) return false;
    if (out && starts_number(token)) *out = atol_value(token);
    return true;
}

bool ScriptText::read_real(float* out, char delimiter) {
    if (!skip_blanks()) return false;
    if (peek() == '@') {
        advance(1);
        const ValueList* v = read_reference(kValueReal, delimiter);
        if (!v) return false;
        if (out) *out = v->realValue;
        return true;
    }
    Token token;
    if (!read_until(delimiter, token)) return false;
    if (out && starts_number(token)) *out = to_float(atof_value(token));
    return true;
}

bool ScriptText::read_string(Token& out, char delimiter, std::uint32_t* length) {
    out[0] = '\0';
    if (length) *length = 0;
    if (!skip_blanks()) return false;
    unsigned char c = peek();
    if (c == '@') {
        advance(1);
        const ValueList* v = read_reference(kValueString, delimiter);
        if (!v) return false;
        const char* s = v->stringValue ? v->stringValue : "";
        std::size_t n = std::strlen(s);
        if (n > kTokenSize - 1) return false;  // would not fit the field's buffer
        std::memcpy(out, s, n + 1);
        if (length) *length = static_cast<std::uint32_t>(n);
        return true;
    }
    if (c != '"') return false;
    advance(1);
    if (!read_until('"', out, length)) return false;
    if (peek() != static_cast<unsigned char>(delimiter)) return false;  // nothing, not even a blank, between
    advance(1);
    return true;
}

bool ScriptText::read_field(char delimiter, std::string* out) {
    out->clear();
    if (!skip_blanks()) return false;
    Token token;
    bool ok = read_until(delimiter, token);
    out->assign(token);
    return ok;
}

bool ScriptText::expect_close() {
    if (!skip_blanks()) return false;
    unsigned char c = peek();
    advance(1);
    return c == ')';
}

int ScriptText::lookup_key(const char* key, const KeyTable& table) {
    if (!key) return -1;
    for (std::size_t i = 0; i < table.count; ++i)
        if (table.keys[i] && std::strcmp(table.keys[i], key) == 0) return static_cast<int>(i);
    return -1;
}

// ---- statements ----

bool parse_statements(ScriptText& script, const KeyTable& keys, const StatementHandler& handler) {
    for (;;) {
        if (!script.skip_blanks()) return false;  // ended without End()
        if (script.peek() == '/' && script.peek(1) == '/') {
            // A comment runs to the next CR; with LF-only line ends that is far away or nowhere.
            if (!script.skip_comment()) return false;
            continue;
        }
        Token key;
        if (!script.read_until('(', key)) return false;
        int index = ScriptText::lookup_key(key, keys);
        if (index < 0) return false;
        if (std::strcmp(key, "End") == 0) return script.expect_close();
        if (!handler || !handler(index, script)) return false;
    }
}

}  // namespace brine
