// fetch_document: the body of one document from the maker's server as a zero-terminated
// buffer of the announced length, or null. Portable; the transfer goes through HttpClient.
#pragma once
#include <cstdint>

#include "feed/http_client.h"

namespace brine {

// The maker's server. A reserved example domain, so the program never calls a stranger's server.
constexpr const char* kMakerHost = "www.brinelight.example";
constexpr const char* kMakerSite = "http://www.brinelight.example/";
constexpr const char* kUserAgent = "Quillon_Orvane";
// A longer announced document is refused: the topics document is a few lines.
constexpr std::int32_t kMaxDocumentLength = 1 << 20;

// Gives a buffer of length + 1 bytes (malloc'd; the caller frees it with std::free) holding what
// arrived and zeros after it, with the length in *size; null when no response came, when its
// status is not 200 (an error page, a proxy's or a portal's answer is not the document), when it
// carried no Content-Length, or when the length is not a number from 1 to kMaxDocumentLength.
char* fetch_document(HttpClient& http, const char* host, const char* directory, const char* file,
                     std::int32_t* size);

// atol semantics on a header value: optional blanks and sign, then digits; saturates instead of
// overflowing.
std::int64_t parse_content_length(const std::string& text);

}  // namespace brine
