#include "feed/fetch_document.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brine {

std::int64_t parse_content_length(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (INT64_MAX - 9) / 10) {
            value = INT64_MAX;  // far beyond any length we accept
            break;
        }
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

char* fetch_document(HttpClient& http, const char* host, const char* directory, const char* file,
                     std::int32_t* size) {
    char path[4096];
    if (directory)
        std::snprintf(path, sizeof path, "/%s/%s", directory, file);
    else
        std::snprintf(path, sizeof path, "/%s", file);

    HttpRequest request;
    request.host = host;
    request.path = path;
    request.userAgent = kUserAgent;
    request.maxBody = static_cast<std::size_t>(kMaxDocumentLength);
    HttpResponse response;
    if (failed(http.get(request, &response)) || response.status != kHttpOk || !response.hasContentLength)
        return nullptr;

    std::int64_t length = parse_content_length(response.contentLength);
    if (length <= 0 || length > kMaxDocumentLength) return nullptr;

    // Bytes that did not arrive stay zero, as with one read of the announced length.
    char* buffer = static_cast<char*>(std::calloc(static_cast<std::size_t>(length) + 1, 1));
    if (!buffer) return nullptr;
    std::size_t copy = response.body.size() < static_cast<std::size_t>(length) ? response.body.size()
                                                                              : static_cast<std::size_t>(length);
    if (copy) std::memcpy(buffer, response.body.data(), copy);
    if (size) *size = static_cast<std::int32_t>(length);
    return buffer;
}

}  // namespace brine
