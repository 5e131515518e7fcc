// The topics document over a scripted HTTP client: lines and count, the numeric version test and
// the update question, malformed documents and error pages, out-of-table statements and the fixed
// lines.
#include <gtest/gtest.h>

#include <string>

#include "base/product.h"
#include "feed/fetch_document.h"
#include "feed/topics.h"
#include "tests/support/scripted_message_boxes.h"

namespace brine {
namespace {

class ScriptedHttp : public HttpClient {
public:
    HResult get(const HttpRequest& request, HttpResponse* response) override {
        requests.push_back(request.path);
        if (!online) return kFail;
        response->status = status;
        response->hasContentLength = true;
        response->contentLength = std::to_string(body.size());
        response->body.assign(body.begin(), body.end());
        return kOk;
    }
    bool online = true;
    int status = 200;
    std::string body;
    std::vector<std::string> requests;
};

class RecordingUrls : public UrlOpener {
public:
    bool open_url(const char* url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<std::string> opened;
};

class TopicsTest : public ::testing::Test {
protected:
    bool load(const std::string& document) {
        http.body = document;
        return load_topics(http, {&boxes, &urls}, ticker, 640);
    }
    std::string line(int i) const { return ticker.items[i].hasText ? ticker.items[i].text : "<null>"; }

    ScriptedHttp http;
    test::ScriptedMessageBoxes boxes;
    RecordingUrls urls;
    TopicTicker ticker;
};

TEST_F(TopicsTest, DocumentFillsLinesAndCount) {
    ASSERT_TRUE(load("// news\r\nTopixCount(3)\r\nTopixText(0,\"first\")\r\nTopixText(1,\"\x8B\xE0\x8B\x9B\")\r\nEnd()"));
    EXPECT_EQ(http.requests, (std::vector<std::string>{"/topix.php"}));
    EXPECT_EQ(ticker.topicCount, 3);
    EXPECT_EQ(line(0), "first");
    EXPECT_EQ(ticker.items[0].width, 45);
    EXPECT_EQ(ticker.items[1].width, 36);
    EXPECT_EQ(line(2), "<null>");
    EXPECT_EQ(ticker.items[2].width, 0);
    EXPECT_EQ(ticker.topicIndex, 0);
    EXPECT_EQ(ticker.topicScroll, 0);
    EXPECT_EQ(ticker.topicScrollEnd, 45 + 640);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TopicsTest, LaterTextReplacesEarlierAndNoCountMeansZero) {
    ASSERT_TRUE(load("TopixText(4,\"a\")TopixText(4,\"bb\")End()"));
    EXPECT_EQ(line(4), "bb");
    EXPECT_EQ(ticker.topicCount, 0);
}

TEST_F(TopicsTest, VersionComparisonIsNumeric) {
    const struct {
        const char* version;
        bool asks;
    } cases[] = {{"0.44", false}, {"0.440", false}, {"0.100", false}, {"0.43", false},
                 {"0.45", true},  {"0.5", true},    {"1", true},      {"abc", false}};
    for (const auto& c : cases) {
        boxes.shown.clear();
        EXPECT_TRUE(load(std::string("Update(\"") + c.version + "\")End()")) << c.version;
        EXPECT_EQ(boxes.shown.size(), c.asks ? 1u : 0u) << c.version;
    }
    EXPECT_TRUE(urls.opened.empty()) << "No was answered every time";
}

TEST_F(TopicsTest, UpdateQuestionAndItsAnswers) {
    ASSERT_TRUE(load("Update(\"0.45\")TopixCount(1)TopixText(0,\"after\")End()"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kMsgNewVersion);
    EXPECT_EQ(boxes.shown[0].caption, "\x8Am\x94" "F");
    EXPECT_EQ(boxes.shown[0].style, static_cast<std::uint32_t>(kMbYesNo | kMbIconQuestion));
    EXPECT_FALSE(boxes.shown[0].owned);
    EXPECT_EQ(line(0), "after") << "No starts normally with the document's topics";

    boxes.answers = {kIdYes};
    EXPECT_FALSE(load("Update(\"0.45\")TopixCount(1)End()"));
    EXPECT_EQ(urls.opened, (std::vector<std::string>{kMakerSite}));
    EXPECT_EQ(ticker.topicCount, 0) << "nothing after the notice was read";
}

// Start-up goes on with the two fixed lines; only a Yes to the update question stops it.
TEST_F(TopicsTest, MalformedDocumentsGiveTheFixedLines) {
    const char* broken[] = {
        "TopixCount(1)",                       // no End
        "Unknown(1)End()",                     // key not in the table
        "TopixText(0,unquoted)End()",          // not a string
        "TopixText(0 \"a\")End()",             // missing delimiter
        "End(x)",                              // End with an argument
        "<html><body>404</body></html>",       // an error page served with a length
        "TopixCount(@list)End()",              // references need a registry
    };
    for (const char* doc : broken) {
        EXPECT_TRUE(load(doc)) << doc;
        EXPECT_EQ(ticker.topicCount, 2) << doc;
        EXPECT_EQ(line(0), kProductCopyright) << doc;
        EXPECT_EQ(ticker.topicScrollEnd, ticker.items[0].width + 640) << doc;
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(urls.opened.empty());
}

TEST_F(TopicsTest, LinesSetBeforeAFailureAreDropped) {
    EXPECT_TRUE(load("TopixCount(3)TopixText(2,\"half\")TopixText(0,\"read\")TopixCount("));
    EXPECT_EQ(ticker.topicCount, 2);
    EXPECT_EQ(line(0), kProductCopyright);
    EXPECT_NE(line(1).find(kMakerSite), std::string::npos);
    EXPECT_EQ(line(2), "<null>");
}

TEST_F(TopicsTest, ErrorPagesAreNoDocument) {
    // A valid document served with an error status is not taken either: the status decides.
    for (int status : {404, 502, 503}) {
        http.status = status;
        EXPECT_TRUE(load("TopixCount(1)TopixText(0,\"not news\")End()")) << status;
        EXPECT_EQ(ticker.topicCount, 2) << status;
        EXPECT_EQ(line(0), kProductCopyright) << status;
    }
}

TEST_F(TopicsTest, StatementsOutsideTheTableAreIgnored) {
    ASSERT_TRUE(load("TopixCount(2)TopixCount(65)TopixCount(-1)TopixCount(2147483647)"
                     "TopixText(64,\"x\")TopixText(-1,\"y\")TopixText(99999,\"z\")TopixText(63,\"last\")End()"));
    EXPECT_EQ(ticker.topicCount, 2);
    EXPECT_EQ(line(63), "last");
    for (int i = 0; i < 63; ++i) EXPECT_FALSE(ticker.items[i].hasText) << i;
    ASSERT_TRUE(load("TopixCount(64)TopixCount(0)End()"));
    EXPECT_EQ(ticker.topicCount, 0);
    ASSERT_TRUE(load("TopixCount(64)TopixText(x,\"no index\")End()"));
    EXPECT_EQ(ticker.topicCount, 64);
    for (const TopicItem& item : ticker.items) EXPECT_FALSE(item.hasText);
}

TEST_F(TopicsTest, WithoutNetworkTwoFixedLines) {
    http.online = false;
    ASSERT_TRUE(load_topics(http, {&boxes, &urls}, ticker, 800));
    EXPECT_EQ(ticker.topicCount, 2);
    EXPECT_EQ(line(0), kProductCopyright);
    EXPECT_NE(line(0).find("Brinelight"), std::string::npos);
    EXPECT_NE(line(0).find("Orvane"), std::string::npos);
    EXPECT_EQ(line(1), std::string("\x8C\xF6\x8E\xAE\x83T\x83" "C\x83g\x82\xCD\x82\xB1\x82\xBF\x82\xE7 \x81\xCB ") + kMakerSite);
    EXPECT_EQ(ticker.items[1].width, 9 * static_cast<int>(line(1).size()));
    EXPECT_EQ(ticker.topicScrollEnd, ticker.items[0].width + 800);
    // The ticker alternates between the two.
    std::vector<int> shown;
    for (int frame = 0; frame < 5000 && shown.size() < 3; ++frame) {
        const int before = ticker.topicIndex;
        advance_ticker(ticker, 800);
        if (ticker.topicIndex != before || ticker.topicScroll == 0) shown.push_back(ticker.topicIndex);
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 1}));
}

TEST_F(TopicsTest, ZeroLengthAnswerCountsAsNoDocument) {
    EXPECT_TRUE(load(""));  // Content-Length 0 gives no document: the fixed lines
    EXPECT_EQ(ticker.topicCount, 2);
}

}  // namespace
}  // namespace brine
