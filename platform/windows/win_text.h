// Text at the Win32 boundary: the core's Shift-JIS converted with code page 932 named explicitly
// (never CP_ACP), so the W functions show Japanese right on every system locale; host file names
// are UTF-8 in the core on Windows and UTF-16 at the file and dialog calls.
// Only <string>; the conversions themselves call kernel32.
#pragma once
#include <string>
#include <string_view>

namespace brine {

constexpr unsigned kShiftJisCodePage = 932;

// Bytes that are not Shift-JIS become U+30FB (the code page's default); nothing else is lost.
std::wstring sjis_to_wide(std::string_view sjis);

// UTF-16 to Shift-JIS without best-fit guesses. *representable (when given) turns false when some
// character has no Shift-JIS form; it is then written as '?', so the caller must not take the
// bytes for what the user typed.
std::string wide_to_sjis(std::wstring_view wide, bool* representable = nullptr);

// Host file names. An unpaired surrogate (no UTF-8 form) becomes U+FFFD.
std::wstring utf8_to_wide(std::string_view utf8);
std::string wide_to_utf8(std::wstring_view wide);

}  // namespace brine
