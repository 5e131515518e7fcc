// load_topics end to end: libcurl through the proxy variable to a real server on loopback, with
// valid and broken documents, error pages, the version notice, a short body and a missing length.
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

    bool serve(const std::string& body, long long length, int status = 200) {
        server.set_response(test::LoopbackHttpServer::response(body, length, status));
        return load_topics(http, {&boxes, &urls}, ticker, 640);
    }
    void expect_fixed_lines(const std::string& what) {
        EXPECT_EQ(ticker.topicCount, 2) << what;
        EXPECT_EQ(ticker.items[0].text, kProductCopyright) << what;
        EXPECT_EQ(ticker.topicScrollEnd, ticker.items[0].width + 640) << what;
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

TEST_F(TopicsOverHttp, ErrorPagesAndBrokenDocumentsGiveTheFixedLines) {
    // What a proxy, a busy server or a captive portal answers: pages with a Content-Length.
    const std::string page = "<html><body><h1>Bad Gateway</h1>TopixCount(1)End()</body></html>";
    for (int status : {404, 502, 503}) {
        ASSERT_TRUE(serve(page, static_cast<long long>(page.size()), status)) << status;
        expect_fixed_lines(std::to_string(status));
    }
    const std::string portal = "<!DOCTYPE html><html><head><title>Sign in</title></head><body>"
                               "<form action=\"/login\"><input name=\"user\"></form></body></html>";
    ASSERT_TRUE(serve(portal));
    expect_fixed_lines("a portal's login page served as 200");
    ASSERT_TRUE(serve("TopixCount(1)\r\nTopixText(0,\"cut\")\r\n"));
    expect_fixed_lines("a document without End()");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(server.requests().size(), 5u);
}

TEST_F(TopicsOverHttp, ShortBodyIsZeroFilledToItsLength) {
    // The announced length is longer than the body: the zeros after "End()" are never read.
    EXPECT_TRUE(serve("TopixCount(1)TopixText(0,\"x\")End()", 200));
    EXPECT_EQ(ticker.topicCount, 1);
    // Cut before End(): the document does not parse, the fixed lines show.
    EXPECT_TRUE(serve("TopixCount(1)TopixTe", 200));
    expect_fixed_lines("cut before End()");
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
