#include "feed/topics.h"

#include <cstdlib>
#include <string>

#include "base/product.h"
#include "feed/fetch_document.h"

namespace brine {

const char* const kTopicsKeys[4] = {"Update", "TopixCount", "TopixText", "End"};
const char kTopicsSiteLine[] = "\x8C\xF6\x8E\xAE\x83T\x83" "C\x83g\x82\xCD\x82\xB1\x82\xBF\x82\xE7 \x81\xCB ";  // 公式サイトはこちら ⇒
const char kMsgNewVersion[] =
    "\x90V\x82\xB5\x82\xA2\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x82\xAA\x8C\xF6\x8AJ\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB7\n\x8FI\x97\xB9\x82\xB5\x82\xC4\xBB\xB2\xC4\x82\xC9\x88\xDA\x93\xAE\x82\xB5\x82\xDC\x82\xB7\x82\xA9?";

namespace {

constexpr char kCaptionConfirm[] = "\x8Am\x94" "F";  // 確認
enum TopicsKey { kKeyUpdate = 0, kKeyCount = 1, kKeyText = 2 };

bool read_update(ScriptText& script, const TopicsHost& host, bool* stop) {
    Token published;
    if (!script.read_string(published, ')')) return false;
    // Numeric, not textual: 0.5 is newer than 0.44, 0.440 is not, 0.100 is older.
    if (!(atof_value(kVersionString) < atof_value(published))) return true;
    const int answer = host.boxes->message_box(kMsgNewVersion, kCaptionConfirm, kMbYesNo | kMbIconQuestion, false);
    if (answer != kIdYes) return true;
    host.urls->open_url(kMakerSite);
    *stop = true;
    return false;  // nothing after the notice is read
}

bool read_count(ScriptText& script, TopicTicker& ticker) {
    std::int32_t count = ticker.topicCount;  // a token that is not a number leaves it as it was
    if (!script.read_int(&count, ')')) return false;
    if (count >= 0 && count <= kTopicCapacity) ticker.topicCount = count;
    return true;
}

bool read_text(ScriptText& script, TopicTicker& ticker) {
    std::int32_t index = -1;
    if (!script.read_int(&index, ',')) return false;
    Token text;
    if (!script.read_string(text, ')')) return false;
    if (index >= 0 && index < kTopicCapacity) ticker.items[index].set(text);
    return true;
}

}  // namespace

TopicsParse parse_topics(ScriptText& script, TopicTicker& ticker, const TopicsHost& host) {
    ticker.clear();
    const KeyTable keys(kTopicsKeys);
    bool stop = false;
    const bool read = parse_statements(script, keys, [&](int key, ScriptText& s) {
        switch (key) {
        case kKeyUpdate: return read_update(s, host, &stop);
        case kKeyCount: return read_count(s, ticker);
        case kKeyText: return read_text(s, ticker);
        default: return false;
        }
    });
    if (stop) return TopicsParse::kStop;
    return read ? TopicsParse::kDocument : TopicsParse::kMalformed;
}

void set_fixed_topics(TopicTicker& ticker) {
    ticker.clear();
    ticker.topicCount = 2;
    ticker.items[0].set(kProductCopyright);
    ticker.items[1].set((std::string(kTopicsSiteLine) + kMakerSite).c_str());
}

bool load_topics(HttpClient& http, const TopicsHost& host, TopicTicker& ticker, std::int32_t backBufferWidth) {
    std::int32_t size = 0;
    char* document = fetch_document(http, kMakerHost, nullptr, kTopicsFile, &size);
    ScriptText script;
    const bool haveText = document != nullptr && script.set_text_copy(document, static_cast<std::uint32_t>(size));
    std::free(document);
    const TopicsParse parse = haveText ? parse_topics(script, ticker, host) : TopicsParse::kMalformed;
    if (parse == TopicsParse::kStop) return false;
    // Half a document is not shown: the fixed lines replace whatever the failed parse had set.
    if (parse == TopicsParse::kMalformed) set_fixed_topics(ticker);
    ticker.topicScrollEnd = ticker.items[0].width + backBufferWidth;
    return true;
}

}  // namespace brine
