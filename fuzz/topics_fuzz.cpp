// Fuzzes the topics document reader: any bytes as a fetched document, with the update question
// answered Yes or No by the first byte. The ticker must stay inside its table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "feed/topics.h"

namespace {

class Answers : public brine::MessageBoxes, public brine::UrlOpener {
public:
    int message_box(const char*, const char*, std::uint32_t, bool) override { return yes ? brine::kIdYes : brine::kIdNo; }
    bool open_url(const char*) override { return true; }
    bool yes = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    Answers answers;
    answers.yes = size > 0 && (data[0] & 1) != 0;
    brine::ScriptText script;
    if (!script.set_text_copy(data, static_cast<std::uint32_t>(size))) return 0;
    brine::TopicTicker ticker;
    brine::parse_topics(script, ticker, {&answers, &answers});
    if (ticker.topicCount < 0 || ticker.topicCount > brine::kTopicCapacity) std::abort();
    for (int frame = 0; frame < 300; ++frame) {
        brine::advance_ticker(ticker, 640);
        if (ticker.topicIndex < 0 || ticker.topicIndex >= brine::kTopicCapacity) std::abort();
    }
    return 0;
}
