// The popup menu "RES_POPUPMENU" as a table the shell builds its menu from (and a Windows port
// turns into a resource script). Texts are Shift-JIS.
#pragma once
#include <cstddef>
#include <cstdint>

namespace brine {

struct MenuItemResource {
    std::uint32_t command;  // 0 for a separator
    const char* text;       // null for a separator
};

extern const MenuItemResource kPopupMenu[];
extern const std::size_t kPopupMenuCount;

}  // namespace brine
