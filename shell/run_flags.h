// The run-time display flags that are not stored: 32-bit 0/1 values toggled from the tray menu.
// Must not depend on anything.
#pragma once
#include <cstdint>

namespace brine {

struct RunFlags {
    std::int32_t timeRunning = 1;       // 0 while "時間を止める" holds the tank still
    std::int32_t showTopics = 1;        // the ticker is drawn and moves
    std::int32_t fishDrawModeFlag = 0;  // every fish drawn as an unlit wireframe
};

// A toggle sets 1 when the flag is 0 and 0 otherwise, whatever other value it held.
constexpr std::int32_t toggled(std::int32_t flag) { return flag == 0 ? 1 : 0; }

}  // namespace brine
