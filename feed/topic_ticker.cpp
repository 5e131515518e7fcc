#include "feed/topic_ticker.h"

namespace brine {

void TopicItem::set(const char* line) {
    hasText = true;
    text = line;
    width = static_cast<std::int32_t>(text.size()) * kTopicCharWidth;
}

void TopicItem::clear() {
    hasText = false;
    text.clear();
    text.shrink_to_fit();
    width = 0;
}

void TopicTicker::clear() {
    topicCount = topicIndex = topicScroll = topicScrollEnd = 0;
    for (TopicItem& item : items) item.clear();
}

void advance_ticker(TopicTicker& ticker, std::int32_t backBufferWidth) {
    ticker.topicScroll += kTickerStepPixels;
    if (ticker.topicScroll < ticker.topicScrollEnd) return;
    ++ticker.topicIndex;
    // The count is kept within the table by the document reader; the index is checked here too
    // so that a count changed by hand can never make the drawing read past the table.
    if (ticker.topicIndex >= ticker.topicCount || ticker.topicIndex >= kTopicCapacity) ticker.topicIndex = 0;
    ticker.topicScroll = 0;
    ticker.topicScrollEnd = ticker.items[ticker.topicIndex].width + backBufferWidth;
}

}  // namespace brine
