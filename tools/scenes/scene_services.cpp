// The headless Ui of the shot tool. Tool code only.
#include "tools/shot/shot_services.h"

#include <cmath>
#include <cstdio>

#include "platform/linux/text_codec.h"

namespace brine::shot {

int HeadlessUi::message_box(const char* text, const char* caption, std::uint32_t style, bool) {
    std::string line = sjis_to_utf8(caption ? caption : "") + ": " + sjis_to_utf8(text ? text : "");
    std::fprintf(stderr, "shot: message box: %s\n", line.c_str());
    messages.push_back(line);
    // The update question is declined; every other box has an OK button only.
    return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

bool HeadlessUi::poll_event(UiEvent* event, double waitSeconds) {
    if (queue_.empty() && clock && waitSeconds > 0)
        clock->advance_us(static_cast<std::int64_t>(std::ceil(waitSeconds * 1e6)));
    if (queue_.empty()) return false;
    *event = queue_.front();
    queue_.pop_front();
    return true;
}

void HeadlessUi::post_quit() {
    UiEvent quit;
    quit.kind = UiEventKind::kQuit;
    queue_.push_back(quit);
}

}  // namespace brine::shot
