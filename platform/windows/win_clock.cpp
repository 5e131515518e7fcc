#include "platform/windows/win_clock.h"

#include <windows.h>

namespace brine {

std::uint32_t WinClock::tick_count() { return GetTickCount(); }

bool WinClock::performance_frequency(std::int64_t* frequency) {
    LARGE_INTEGER f{};
    if (!QueryPerformanceFrequency(&f) || f.QuadPart <= 0) return false;
    *frequency = f.QuadPart;
    return true;
}

std::int64_t WinClock::performance_counter() {
    LARGE_INTEGER c{};
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

}  // namespace brine
