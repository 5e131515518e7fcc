#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "feed/fetch_document.h"

namespace brine {
namespace {

class ScriptedHttp : public HttpClient {
public:
    HResult get(const HttpRequest& request, HttpResponse* response) override {
        seen = request;
        if (failure) return kFail;
        *response = canned;
        return kOk;
    }
    bool failure = false;
    HttpResponse canned;
    HttpRequest seen;
};

struct Freer {
    void operator()(char* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<char, Freer>;

HttpResponse with_length(const std::string& body, const std::string& length, int status = 200) {
    HttpResponse r;
    r.status = status;
    r.hasContentLength = true;
    r.contentLength = length;
    r.body.assign(body.begin(), body.end());
    return r;
}

}  // namespace

TEST(FetchDocument, RequestsTheTopicsPathWithTheUserAgent) {
    ScriptedHttp http;
    http.canned = with_length("End()", "5");
    std::int32_t size = -1;
    Buffer b(fetch_document(http, kMakerHost, nullptr, "topix.php", &size));
    ASSERT_TRUE(b);
    EXPECT_EQ(http.seen.path, "/topix.php");
    EXPECT_EQ(http.seen.host, "www.brinelight.example");
    EXPECT_EQ(http.seen.userAgent, "Quillon_Orvane");
    EXPECT_EQ(size, 5);
    EXPECT_STREQ(b.get(), "End()");
    Buffer d(fetch_document(http, kMakerHost, "dir", "f.txt", nullptr));
    EXPECT_EQ(http.seen.path, "/dir/f.txt");
}

TEST(FetchDocument, ShortBodyIsZeroFilledToTheAnnouncedLength) {
    ScriptedHttp http;
    http.canned = with_length("abc", "100");
    std::int32_t size = 0;
    Buffer b(fetch_document(http, kMakerHost, nullptr, "topix.php", &size));
    ASSERT_TRUE(b);
    EXPECT_EQ(size, 100);
    EXPECT_EQ(std::memcmp(b.get(), "abc", 3), 0);
    for (int i = 3; i <= 100; ++i) ASSERT_EQ(b.get()[i], 0) << i;
}

TEST(FetchDocument, LongerBodyIsCutToTheAnnouncedLength) {
    ScriptedHttp http;
    http.canned = with_length("abcdef", "3");
    std::int32_t size = 0;
    Buffer b(fetch_document(http, kMakerHost, nullptr, "topix.php", &size));
    ASSERT_TRUE(b);
    EXPECT_STREQ(b.get(), "abc");
}

TEST(FetchDocument, RefusesMissingZeroNegativeHugeAndGarbageLengths) {
    ScriptedHttp http;
    for (const char* length : {"0", "-5", "abc", "", "1048577", "99999999999999999999999"}) {
        http.canned = with_length("x", length);
        std::int32_t size = 77;
        EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", &size), nullptr) << length;
        EXPECT_EQ(size, 77) << "size untouched on failure";
    }
    http.canned = HttpResponse{};  // no Content-Length at all
    http.canned.body = {'x'};
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);
    http.failure = true;
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);
    // The largest accepted length and atol's leniency about what follows the digits.
    http.failure = false;
    http.canned = with_length("y", " 1048576 bytes");
    Buffer b(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr));
    EXPECT_TRUE(b);
}

TEST(FetchDocument, OnlyAStatus200IsTheDocument) {
    ScriptedHttp http;
    // A proxy's error page, a missing document, a busy server: all carry a length and a body.
    for (int status : {404, 500, 502, 503, 204, 301, 0}) {
        http.canned = with_length("<html>error</html>", "18", status);
        std::int32_t size = 77;
        EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", &size), nullptr) << status;
        EXPECT_EQ(size, 77) << status;
    }
    http.canned = with_length("End()", "5", 200);
    Buffer b(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr));
    EXPECT_TRUE(b);
}

}  // namespace brine
