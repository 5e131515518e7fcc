// The libcurl client against a real server on loopback, directly and through the proxy variable.
#include <gtest/gtest.h>

#include <cstdlib>

#include "feed/fetch_document.h"
#include "platform/linux/curl_http_client.h"
#include "tests/support/loopback_http_server.h"

namespace brine {
namespace {

class ProxyEnv {
public:
    explicit ProxyEnv(const std::string& proxy) {
        ::setenv("http_proxy", proxy.c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    ~ProxyEnv() { ::unsetenv("http_proxy"); }
};

}  // namespace

TEST(CurlHttpClient, FetchesThroughTheProxyVariable) {
    test::LoopbackHttpServer server(test::LoopbackHttpServer::response("TopixCount(1)\r\nEnd()", 21));
    ProxyEnv env("http://127.0.0.1:" + std::to_string(server.port()));
    CurlHttpClient http;
    std::int32_t size = 0;
    char* doc = fetch_document(http, kMakerHost, nullptr, "topix.php", &size);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(size, 21);
    EXPECT_STREQ(doc, "TopixCount(1)\r\nEnd()");
    std::free(doc);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET http://www.brinelight.example/topix.php HTTP/1.1", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: Quillon_Orvane"), std::string::npos);
}

TEST(CurlHttpClient, ShortBodyAndMissingLength) {
    test::LoopbackHttpServer server(test::LoopbackHttpServer::response("abc", 10));
    ProxyEnv env("http://127.0.0.1:" + std::to_string(server.port()));
    CurlHttpClient http;
    std::int32_t size = 0;
    char* doc = fetch_document(http, kMakerHost, nullptr, "topix.php", &size);
    ASSERT_NE(doc, nullptr) << "a body that stops short still counts";
    EXPECT_EQ(size, 10);
    EXPECT_STREQ(doc, "abc");
    std::free(doc);
    server.set_response(test::LoopbackHttpServer::response("abc", -1));
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);
}

TEST(CurlHttpClient, NoServerGivesNull) {
    int port;
    {
        test::LoopbackHttpServer server("");
        port = server.port();
    }  // closed again: nothing listens there now
    ProxyEnv env("http://127.0.0.1:" + std::to_string(port));
    CurlHttpClient http;
    http.connectTimeoutSeconds = 2;
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);
}

TEST(CurlHttpClient, FillsTheStatus) {
    test::LoopbackHttpServer server(test::LoopbackHttpServer::response("<html>busy</html>", 17, 503));
    ProxyEnv env("http://127.0.0.1:" + std::to_string(server.port()));
    CurlHttpClient http;
    HttpRequest request;
    request.host = kMakerHost;
    request.path = "/topix.php";
    request.maxBody = 100;
    HttpResponse response;
    ASSERT_EQ(http.get(request, &response), kOk);
    EXPECT_EQ(response.status, 503);
    EXPECT_TRUE(response.hasContentLength);
    EXPECT_EQ(std::string(response.body.begin(), response.body.end()), "<html>busy</html>");
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);

    // A reply without any status line is no response.
    server.set_response("Content-Length: 5\r\n\r\nEnd()");
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);
}

}  // namespace brine
