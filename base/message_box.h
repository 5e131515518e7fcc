// Message boxes as the core asks for them: Shift-JIS text and caption, MessageBoxA style
// bits, the button pressed as the answer. The shell's Ui implements it; so do the test doubles.
#pragma once
#include <cstdint>

namespace brine {

enum MessageBoxStyle : std::uint32_t {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNo = 0x4,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};

enum MessageBoxAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // owner: true when the program's main window owns the box (MessageBoxA with mainWindow).
    virtual int message_box(const char* text, const char* caption, std::uint32_t style,
                            bool ownedByMainWindow) = 0;
};

}  // namespace brine
