// Shift-JIS (code page 932) <-> UTF-8 at the UI and font boundary, through iconv.
// Bytes that do not convert become U+FFFD (to UTF-8) or '?' (to Shift-JIS); nothing is lost silently
// beyond that one character. Where a stand-in would change what the user typed, the exact form
// reports the failure instead.
#pragma once
#include <string>
#include <string_view>

namespace brine {

std::string sjis_to_utf8(std::string_view sjis);
std::string utf8_to_sjis(std::string_view utf8);
// The exact Shift-JIS of `utf8`; false (and *sjis empty) when any character has no Shift-JIS form.
bool utf8_to_sjis_exact(std::string_view utf8, std::string* sjis);

}  // namespace brine
