// The HTTP boundary: one GET of one document, as the topics step needs it. The platform
// implements it (libcurl on Linux, honouring the proxy variables as the original honoured the
// system's proxy settings); tests script it. Must not depend on any platform header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"

namespace brine {

struct HttpRequest {
    std::string host;       // the server's name; port 80
    std::string path;       // "/topix.php"
    std::string userAgent;  // "Quillon_Orvane"
    std::size_t maxBody = 0;  // bytes to keep at most; more is cut off, not an error
};

struct HttpResponse {
    bool hasContentLength = false;
    std::string contentLength;  // the header's text as sent
    std::vector<char> body;     // what arrived, at most maxBody bytes
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // A negative result when no response came at all (no network, unknown host, refused, timed out).
    virtual HResult get(const HttpRequest& request, HttpResponse* response) = 0;
};

}  // namespace brine
