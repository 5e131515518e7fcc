// Shift-JIS (code page 932) helpers for the core, which keeps all text as Shift-JIS bytes.
// Conversion to and from UTF-8 happens only at the UI and font boundary (platform/).
#pragma once
#include <cstddef>
#include <cstdint>

namespace brine {

// First byte of a double-byte character: 0x81..0x9F or 0xE0..0xFC.
constexpr bool is_sjis_lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The part of a path after its last backslash; a 0x5C that is the second byte of a
// double-byte character is not a separator. Points into the same string.
const char* file_name_part(const char* path);

}  // namespace brine
