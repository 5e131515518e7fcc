// load_topics end to end: libcurl through the proxy variable to a real server on loopback, with
// valid and broken documents, the version notice, a short body and a missing length.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/product.h"
#include "feed/fetch_document.h"
#include "feed/topics.h"
#include "platform/linux/curl_http_client.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/scripted_message_boxes.h"

namespace brine {
namespace {

class RecordingUrls : public UrlOpener {
public:
    bool open_url(const char* url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<std::string> opened;
};

class TopicsOverHttp : public ::testing::Test {
protected:
    TopicsOverHttp() : server(test::LoopbackHttpServer::response("End()", 5)) {
        ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(server.port())).c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
        http.connectTimeoutSeconds = 2;
        http.totalTimeoutSeconds = 5;
    }
    ~TopicsOverHttp() override { ::unsetenv("http_proxy"); }

    bool serve(const std::string& body, long long length) {
        server.set_response(test::LoopbackHttpServer::response(body, length));
        return load_topics(http, {&boxes, &urls}, ticker, 640);
    }
    bool serve(const std::string& body) { return serve(body, static_cast<long long>(body.size())); }

    test::LoopbackHttpServer server;
    CurlHttpClient http;
    test::ScriptedMessageBoxes boxes;
    RecordingUrls urls;
    TopicTicker ticker;
};

TEST_F(TopicsOverHttp, ValidDocumentAsTheServerSendsIt) {
    ASSERT_TRUE(serve("TopixCount(2)\r\nTopixText(0,\"hello\")\r\nTopixText(1,\"\x8B\xE0\x8B\x9B\")\r\nEnd()\r\n"));
    EXPECT_EQ(ticker.topicCount, 2);
    EXPECT_EQ(ticker.items[0].text, "hello");
    EXPECT_EQ(ticker.items[1].text, "\x8B\xE0\x8B\x9B");
    EXPECT_EQ(ticker.topicScrollEnd, 45 + 640);
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().rfind("GET http://www.brinelight.example/topix.php", 0), 0u) << requests.back();
}

TEST_F(TopicsOverHttp, PublishedVersions) {
    EXPECT_TRUE(serve("Update(\"0.44\")End()"));
    EXPECT_TRUE(serve("Update(\"0.100\")End()"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(serve("Update(\"0.45\")End()"));  // No by default
    EXPECT_EQ(boxes.shown.size(), 1u);
    boxes.answers = {kIdYes};
    EXPECT_FALSE(serve("Update(\"0.5\")End()"));
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(urls.opened, (std::vector<std::string>{kMakerSite}));
}

TEST_F(TopicsOverHttp, BrokenDocumentsAndErrorPagesStop) {
    EXPECT_FALSE(serve("TopixCount(1)\r\n"));
    server.set_response(test::LoopbackHttpServer::response("<html>gone</html>", 17, 404));
    EXPECT_FALSE(load_topics(http, {&boxes, &urls}, ticker, 640));
}

TEST_F(TopicsOverHttp, ShortBodyIsZeroFilledToItsLength) {
    // The announced length is longer than the body: the zeros after "End()" are never read.
    EXPECT_TRUE(serve("TopixCount(1)TopixText(0,\"x\")End()", 200));
    EXPECT_EQ(ticker.topicCount, 1);
    // Cut before End(): the document does not parse.
    EXPECT_FALSE(serve("TopixCount(1)TopixTe", 200));
}

TEST_F(TopicsOverHttp, NoLengthOrNoServerGivesTheFixedLines) {
    EXPECT_TRUE(serve("TopixCount(5)End()", -1));
    EXPECT_EQ(ticker.topicCount, 2);
    EXPECT_EQ(ticker.items[0].text, kProductCopyright);

    int port;
    {
        test::LoopbackHttpServer gone("");
        port = gone.port();
    }
    ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(port)).c_str(), 1);
    EXPECT_TRUE(load_topics(http, {&boxes, &urls}, ticker, 1024));
    EXPECT_EQ(ticker.topicCount, 2);
    EXPECT_EQ(ticker.topicScrollEnd, ticker.items[0].width + 1024);
}

}  // namespace
}  // namespace brine
