// The topics document "topix.php": fetched once at start-up, it fills the ticker's lines and may
// announce a newer version, whose notice can end the program and open the maker's site. Without
// a document the ticker shows two fixed lines.
// Must not depend on anything but base/, data/ (the script reader) and feed/.
#pragma once
#include <cstdint>

#include "base/message_box.h"
#include "base/url_opener.h"
#include "data/script_text.h"
#include "feed/http_client.h"
#include "feed/topic_ticker.h"

namespace brine {

// The document's keys, in table order.
extern const char* const kTopicsKeys[4];  // "Update", "TopixCount", "TopixText", "End"
extern const char kTopicsSiteLine[];      // 公式サイトはこちら ⇒ (the site address follows)
extern const char kMsgNewVersion[];       // 新しいﾊﾞｰｼﾞｮﾝが公開されています\n終了してｻｲﾄに移動しますか?
constexpr char kTopicsFile[] = "topix.php";

struct TopicsHost {
    MessageBoxes* boxes = nullptr;  // the update question
    UrlOpener* urls = nullptr;      // the site, on Yes
};

// parse_topics: clears the ticker, then reads the statements. False on any malformed statement,
// an unknown key, data ending without End(), or a Yes to the update question (after the site was
// opened). Lines set before a failure stay. A "TopixText" index outside 0..63 or a "TopixCount"
// outside 0..64 is read and then ignored: it never reaches the table.
bool parse_topics(ScriptText& script, TopicTicker& ticker, const TopicsHost& host);

// The two fixed lines shown without a document: the copyright line and the site line.
void set_fixed_topics(TopicTicker& ticker);

// load_topics: true to go on starting, false to stop at once (a document that does not parse,
// or the user chose to go to the site). Sets topicScrollEnd for line 0 at the given width.
bool load_topics(HttpClient& http, const TopicsHost& host, TopicTicker& ticker, std::int32_t backBufferWidth);

}  // namespace brine
