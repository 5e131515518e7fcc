// The ticker's move per drawn frame: line changes at the scroll end, wrap at the count, and the
// cases of one line, an unset line and no lines at all.
#include <gtest/gtest.h>

#include "feed/topic_ticker.h"

namespace brine {
namespace {

// Frames until the ticker leaves the current line.
int frames_on_line(TopicTicker& t, int width) {
    const int start = t.topicIndex;
    for (int n = 1; n < 100000; ++n) {
        advance_ticker(t, width);
        if (t.topicIndex != start || t.topicScroll == 0) return n;
    }
    return -1;
}

TEST(TopicTicker, OneLineComesBackFromTheRightEdge) {
    TopicTicker t;
    t.items[0].set("0123456789");  // 90 px
    EXPECT_EQ(t.items[0].width, 90);
    t.topicCount = 1;
    t.topicScrollEnd = 90 + 640;
    EXPECT_EQ(frames_on_line(t, 640), 365);  // 730 px at 2 px a frame
    EXPECT_EQ(t.topicIndex, 0);
    EXPECT_EQ(t.topicScroll, 0);
    EXPECT_EQ(t.topicScrollEnd, 730);
}

TEST(TopicTicker, StepsThroughEveryLineIncludingUnsetOnes) {
    TopicTicker t;
    t.items[0].set("ab");
    t.items[1].set("\x8B\xE0\x8B\x9B");  // 金魚: 4 bytes, 36 px
    t.topicCount = 3;  // line 2 was never set
    t.topicScrollEnd = 18 + 100;
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        frames_on_line(t, 100);
        seen.push_back(t.topicIndex);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(t.topic_text(2), nullptr);
    EXPECT_STREQ(t.topic_text(0), "ab");
    EXPECT_EQ(t.topic_text(64), nullptr);
    EXPECT_EQ(t.topic_text(-1), nullptr);
    EXPECT_EQ(t.items[2].width, 0);
}

TEST(TopicTicker, NoLinesStaysOnLineZeroAndABadCountCannotLeaveTheTable) {
    TopicTicker t;
    for (int i = 0; i < 1000; ++i) advance_ticker(t, 640);
    EXPECT_EQ(t.topicIndex, 0);
    t.topicCount = 500;  // set by hand; the reader never stores it
    for (int i = 0; i < 200000; ++i) {
        advance_ticker(t, 0);
        ASSERT_LT(t.topicIndex, kTopicCapacity);
        ASSERT_GE(t.topicIndex, 0);
    }
}

TEST(TopicTicker, ClearEmptiesEverything) {
    TopicTicker t;
    t.items[5].set("x");
    t.topicCount = 6;
    t.topicIndex = 5;
    t.clear();
    EXPECT_EQ(t.topicCount, 0);
    EXPECT_EQ(t.topicIndex, 0);
    EXPECT_FALSE(t.items[5].hasText);
}

}  // namespace
}  // namespace brine
