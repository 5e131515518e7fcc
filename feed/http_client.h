// The HTTP boundary: one GET of one document, as the topics step needs it. The platform
// implements it and goes through the proxy the user configured for the desktop (the proxy
// variables on Linux, the system's Internet settings on Windows), since many networks reach
// the web only that way; tests script it. Must not depend on any platform header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"

namespace brine {

constexpr int kHttpOk = 200;

struct HttpRequest {
    std::string host;       // the server's name; port 80
    std::string path;       // "/topix.php"
    std::string userAgent;  // "Quillon_Orvane"
    std::size_t maxBody = 0;  // bytes to keep at most; more is cut off, not an error
};

struct HttpResponse {
    // The status code of the last response's status line (redirects and 100 Continue come
    // before it); 0 when no status line arrived. Every client fills it: a proxy's or a portal's
    // own page is a response too, and only the status tells it from the document.
    int status = 0;
    bool hasContentLength = false;
    std::string contentLength;  // the header's text as sent
    std::vector<char> body;     // what arrived, at most maxBody bytes
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // A negative result when no response came at all (no network, unknown host, refused, timed out);
    // 0 with the status filled for a response of any status, also one whose body stopped short.
    virtual HResult get(const HttpRequest& request, HttpResponse* response) = 0;
};

}  // namespace brine
