// The topics ticker: the table of topic lines the topics document fills, and the scrolling state
// that the main loop advances and frame composition draws (at x = backBufferWidth - topicScroll).
// Must not depend on anything but the standard library.
#pragma once
#include <cstdint>
#include <string>

namespace brine {

constexpr int kTopicCapacity = 64;
constexpr std::int32_t kTopicCharWidth = 9;       // pixels per byte of a line
constexpr std::int32_t kTickerStepPixels = 2;     // per drawn frame

struct TopicItem {
    bool hasText = false;  // false: no text (the line was never set)
    std::string text;      // Shift-JIS
    std::int32_t width = 0;

    const char* c_str() const { return hasText ? text.c_str() : nullptr; }
    void set(const char* line);  // a copy, width 9 per byte
    void clear();
};

struct TopicTicker {
    std::int32_t topicCount = 0;  // lines the ticker cycles through, 0..64
    std::int32_t topicIndex = 0;  // line shown, always 0..63
    std::int32_t topicScroll = 0;
    std::int32_t topicScrollEnd = 0;
    TopicItem items[kTopicCapacity];

    void clear();  // no lines, all counters 0
    // The text of line `index`, null when it has none or the index is outside the table (what
    // frame composition's TopicSource answers).
    const char* topic_text(std::int32_t index) const {
        return index >= 0 && index < kTopicCapacity ? items[index].c_str() : nullptr;
    }
};

// One drawn frame's move: 2 pixels on; at the scroll end the next line comes in from the right
// edge, after the last line the first. With no lines the ticker stays on line 0.
void advance_ticker(TopicTicker& ticker, std::int32_t backBufferWidth);

}  // namespace brine
