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

enum class TopicsParse {
    kDocument,   // read to its End()
    kMalformed,  // a malformed statement, an unknown key, or data ending without End()
    kStop,       // the user answered Yes to the update question (the site was opened)
};

// parse_topics: clears the ticker, then reads the statements. Lines set before a failure stay in
// the ticker; load_topics drops them. A "TopixText" index outside 0..63 or a "TopixCount" outside
// 0..64 is read and then ignored: it never reaches the table.
TopicsParse parse_topics(ScriptText& script, TopicTicker& ticker, const TopicsHost& host);

// The two fixed lines shown without a document: the copyright line and the site line.
void set_fixed_topics(TopicTicker& ticker);

// load_topics: true to go on starting, false only when the user chose to go to the site. No
// usable response, and a document that does not parse (a portal's login page served as 200, a
// damaged file), give the two fixed lines: a bad news feed is no reason to stop the aquarium.
// Sets topicScrollEnd for line 0 at the given width.
bool load_topics(HttpClient& http, const TopicsHost& host, TopicTicker& ticker, std::int32_t backBufferWidth);

}  // namespace brine
