#include "platform/windows/win_desktop_host.h"

#include <windows.h>

#include <string>

#include "platform/windows/win_ui.h"

namespace brine {

bool WinDesktopHost::another_instance_running() {
    return FindWindowW(kMainWindowClass, kMainWindowTitle) != nullptr;
}

void WinDesktopHost::enter_background() { SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS); }

bool enter_program_directory() {
    // Long paths: grow the buffer until the whole name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return false;
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return false;
        path.resize(path.size() * 2);
    }
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return false;
    path.resize(cut == 2 && path[1] == L':' ? cut + 1 : cut);  // "C:\" keeps its backslash
    return SetCurrentDirectoryW(path.c_str()) != FALSE;
}

}  // namespace brine
