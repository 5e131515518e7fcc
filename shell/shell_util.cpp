#include "shell/shell_util.h"

#include <cstring>
#include <system_error>

#include "base/sjis.h"

namespace brine {

std::size_t sjis_fit_length(const char* text, std::size_t room) {
    std::size_t n = 0;
    while (text[n] != '\0') {
        const std::size_t step = (is_sjis_lead(static_cast<unsigned char>(text[n])) && text[n + 1] != '\0') ? 2 : 1;
        if (n + step > room) break;
        n += step;
    }
    return n;
}

std::size_t copy_text(char* out, std::size_t outSize, const char* text) {
    if (outSize == 0) return 0;
    const std::size_t n = text ? sjis_fit_length(text, outSize - 1) : 0;
    if (n > 0) std::memmove(out, text, n);
    out[n] = '\0';
    return n;
}

CurrentDirectoryKeeper::CurrentDirectoryKeeper() {
    std::error_code ec;
    saved_ = std::filesystem::current_path(ec);
    known_ = !ec;
}

void CurrentDirectoryKeeper::restore() {
    if (!known_) return;
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
}

}  // namespace brine
