// Parser and formatter of the settings file. Strict about each line's shape, tolerant of the
// file as a whole: one damaged line costs one value.
#include "shell/settings_file_format.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace brine {

namespace {

constexpr char kHeader[] = "# Brinelight Vespera settings: NAME=dword:XXXXXXXX | binary:hex | hex(type):hex\n";
// Longest line: name, '=', "hex(ffffffff):", the bytes in hex, the line break.
constexpr std::size_t kMaxLineBytes = kMaxSettingsNameBytes + 1 + 14 + 2 * kMaxSettingsValueBytes + 1;
static_assert(sizeof(kHeader) + kMaxSettingsValues * kMaxLineBytes < kMaxSettingsFileBytes,
              "a full table must format below the parser's bound");

const char kHexDigits[] = "0123456789abcdef";

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool starts_with(const char* p, std::size_t n, const char* prefix, std::size_t prefixLength) {
    return n >= prefixLength && std::memcmp(p, prefix, prefixLength) == 0;
}

// Hex pairs into bytes; false on an odd count, a non-hex character or too many bytes.
bool parse_hex_bytes(const char* p, std::size_t n, std::vector<std::uint8_t>& out) {
    if (n % 2 != 0 || n / 2 > kMaxSettingsValueBytes) return false;
    out.resize(n / 2);
    for (std::size_t i = 0; i < n; i += 2) {
        const int hi = hex_value(p[i]);
        const int lo = hex_value(p[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i / 2] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return true;
}

// 1 to 8 hex digits as a 32-bit number.
bool parse_hex_number(const char* p, std::size_t n, std::uint32_t& out) {
    if (n == 0 || n > 8) return false;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int d = hex_value(p[i]);
        if (d < 0) return false;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

void parse_line(const char* line, std::size_t n, SettingsValueTable& table) {
    const void* eq = std::memchr(line, '=', n);
    if (eq == nullptr) return;
    const auto nameLength = static_cast<std::size_t>(static_cast<const char*>(eq) - line);
    if (!is_valid_settings_name(line, nameLength)) return;
    const std::string name(line, nameLength);
    const char* p = line + nameLength + 1;
    std::size_t rest = n - nameLength - 1;

    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (starts_with(p, rest, "dword:", 6)) {
        std::uint32_t number = 0;
        if (rest - 6 != 8 || !parse_hex_number(p + 6, 8, number)) return;
        type = kRegDword;
        data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    } else if (starts_with(p, rest, "binary:", 7)) {
        if (!parse_hex_bytes(p + 7, rest - 7, data)) return;
        type = kRegBinary;
    } else if (starts_with(p, rest, "hex(", 4)) {
        const void* close = std::memchr(p + 4, ')', rest - 4);
        if (close == nullptr) return;
        const auto digits = static_cast<std::size_t>(static_cast<const char*>(close) - (p + 4));
        if (!parse_hex_number(p + 4, digits, type)) return;
        const std::size_t used = 4 + digits + 1;
        if (rest - used < 1 || p[used] != ':') return;
        if (!parse_hex_bytes(p + used + 1, rest - used - 1, data)) return;
    } else {
        return;
    }
    table.set(name.c_str(), type, data.data(), static_cast<std::uint32_t>(data.size()));
}

void append_hex_bytes(std::string& out, const std::vector<std::uint8_t>& data) {
    for (std::uint8_t b : data) {
        out += kHexDigits[b >> 4];
        out += kHexDigits[b & 0xF];
    }
}

}  // namespace

void parse_settings_file(const char* text, std::size_t size, SettingsValueTable& table) {
    table.clear();
    if (text == nullptr || size > kMaxSettingsFileBytes) return;
    std::size_t pos = 0;
    while (pos < size) {
        const void* nl = std::memchr(text + pos, '\n', size - pos);
        const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text) : size;
        std::size_t length = end - pos;
        if (length > 0 && text[pos + length - 1] == '\r') --length;
        if (length > 0 && text[pos] != '#' && length <= kMaxLineBytes) parse_line(text + pos, length, table);
        pos = end + 1;
    }
}

std::string format_settings_file(const SettingsValueTable& table) {
    std::string out = kHeader;
    for (const SettingsValue& v : table.values()) {
        out += v.name;
        out += '=';
        if (v.type == kRegDword && v.data.size() == 4) {
            const std::uint32_t number = static_cast<std::uint32_t>(v.data[0]) |
                                         static_cast<std::uint32_t>(v.data[1]) << 8 |
                                         static_cast<std::uint32_t>(v.data[2]) << 16 |
                                         static_cast<std::uint32_t>(v.data[3]) << 24;
            out += "dword:";
            for (int shift = 28; shift >= 0; shift -= 4) out += kHexDigits[(number >> shift) & 0xF];
        } else if (v.type == kRegBinary) {
            out += "binary:";
            append_hex_bytes(out, v.data);
        } else {
            out += "hex(";
            bool digits = false;
            for (int shift = 28; shift >= 0; shift -= 4) {
                const std::uint32_t d = (v.type >> shift) & 0xF;
                if (d != 0 || digits || shift == 0) {
                    out += kHexDigits[d];
                    digits = true;
                }
            }
            out += "):";
            append_hex_bytes(out, v.data);
        }
        out += '\n';
    }
    return out;
}

}  // namespace brine
