#include "tools/fishgen/text_out.h"

#include <cstdio>
#include <cstring>

namespace brine {
namespace fishgen {

std::string format_real(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (buffer[0] == '-') {
        bool allZero = true;
        for (const char* p = buffer + 1; *p; ++p)
            if (*p != '0' && *p != '.') allZero = false;
        if (allZero) return std::string(buffer + 1);
    }
    return std::string(buffer);
}

}  // namespace fishgen
}  // namespace brine
