// MultiByteToWideChar / WideCharToMultiByte with explicit code pages. The string forms keep the
// Win32 length arithmetic (two calls: size, then fill) in one place.
#include "platform/windows/win_text.h"

#include <windows.h>

#include <climits>

namespace brine {
namespace {

std::wstring to_wide(UINT codePage, DWORD flags, std::string_view in) {
    if (in.empty() || in.size() > static_cast<std::size_t>(INT_MAX)) return std::wstring();
    const int inSize = static_cast<int>(in.size());
    const int n = MultiByteToWideChar(codePage, flags, in.data(), inSize, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, in.data(), inSize, &out[0], n);
    return out;
}

}  // namespace

std::wstring sjis_to_wide(std::string_view sjis) { return to_wide(kShiftJisCodePage, 0, sjis); }

std::wstring utf8_to_wide(std::string_view utf8) { return to_wide(CP_UTF8, 0, utf8); }

std::string wide_to_sjis(std::wstring_view wide, bool* representable) {
    if (representable) *representable = true;
    if (wide.empty() || wide.size() > static_cast<std::size_t>(INT_MAX)) return std::string();
    const int inSize = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), inSize, nullptr, 0,
                                      "?", &usedDefault);
    if (n <= 0) {
        if (representable) *representable = false;
        return std::string();
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    usedDefault = FALSE;
    WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), inSize, &out[0], n, "?", &usedDefault);
    if (representable && usedDefault) *representable = false;
    return out;
}

std::string wide_to_utf8(std::wstring_view wide) {
    if (wide.empty() || wide.size() > static_cast<std::size_t>(INT_MAX)) return std::string();
    const int inSize = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inSize, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), inSize, &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace brine
