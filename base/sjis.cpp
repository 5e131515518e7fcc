#include "base/sjis.h"

namespace brine {

const char* file_name_part(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (is_sjis_lead(static_cast<unsigned char>(*p))) {
            if (p[1] == '\0') break;  // a lead byte at the very end has no partner
            ++p;
            continue;
        }
        if (*p == '\\') name = p + 1;
    }
    return name;
}

}  // namespace brine
