#include "platform/linux/text_codec.h"

#include <iconv.h>

#include <cerrno>

namespace brine {
namespace {

// Converts with one iconv descriptor; an invalid or incomplete sequence costs one input byte
// and emits the replacement, so the conversion always finishes. *replaced tells whether it did.
std::string convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    bool* replaced = nullptr) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (replaced) *replaced = true;  // nothing was converted at all
        return std::string(in);
    }
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            if (replaced) *replaced = true;
            out.append(replacement);
            ++src;
            --srcLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string sjis_to_utf8(std::string_view sjis) { return convert("UTF-8", "CP932", sjis, "\xEF\xBF\xBD"); }
std::string utf8_to_sjis(std::string_view utf8) { return convert("CP932", "UTF-8", utf8, "?"); }

bool utf8_to_sjis_exact(std::string_view utf8, std::string* sjis) {
    bool replaced = false;
    *sjis = convert("CP932", "UTF-8", utf8, "?", &replaced);
    if (replaced) sjis->clear();
    return !replaced;
}

}  // namespace brine
