// Fixed-format number output for the generated text files (locale-free, no negative zero).
// Must not depend on anything but the standard library.
#include "tools/fishgen/text_out.h"

#include <cstdio>
#include <cstring>

namespace brine {
namespace fishgen {

void append_real(std::string* out, double value, int decimals) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n <= 0 || n >= static_cast<int>(sizeof buffer)) n = 0;
    const char* start = buffer;
    if (buffer[0] == '-') {
        bool allZero = true;
        for (const char* p = buffer + 1; *p; ++p)
            if (*p != '0' && *p != '.') allZero = false;
        if (allZero) ++start, --n;
    }
    out->append(start, static_cast<size_t>(n));
}

std::string format_real(double value, int decimals) {
    std::string s;
    append_real(&s, value, decimals);
    return s;
}

}  // namespace fishgen
}  // namespace brine
