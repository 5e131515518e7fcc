// Records every message box the core shows and answers from a script (OK by default).
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "base/message_box.h"

namespace brine::test {

struct ShownMessage {
    std::string text;     // Shift-JIS bytes, as the core passed them
    std::string caption;  // Shift-JIS bytes
    std::uint32_t style = 0;
    bool owned = false;
};

class ScriptedMessageBoxes : public MessageBoxes {
public:
    int message_box(const char* text, const char* caption, std::uint32_t style,
                    bool ownedByMainWindow) override {
        shown.push_back({text ? text : "", caption ? caption : "", style, ownedByMainWindow});
        if (answers.empty()) return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
        int a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<ShownMessage> shown;
    std::deque<int> answers;
};

}  // namespace brine::test
