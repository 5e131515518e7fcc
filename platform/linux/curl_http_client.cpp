#include "platform/linux/curl_http_client.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace brine {
namespace {

struct Transfer {
    HttpResponse* response;
    std::size_t maxBody;
    bool sawStatusLine = false;
};

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t n = size * count;
    std::string line(data, n);
    if (line.rfind("HTTP/", 0) == 0) {
        // A new response (after a redirect or a 100 Continue): only the last one counts.
        t->sawStatusLine = true;
        // "HTTP/1.1 502 Bad Gateway", "HTTP/2 200": the three digits after the first blank.
        const std::size_t blank = line.find(' ');
        const int status = blank == std::string::npos ? 0 : std::atoi(line.c_str() + blank + 1);
        t->response->status = status >= 100 && status <= 999 ? status : 0;
        t->response->hasContentLength = false;
        t->response->contentLength.clear();
        t->response->body.clear();
        return n;
    }
    const char key[] = "content-length:";
    if (line.size() >= sizeof key - 1) {
        bool match = true;
        for (std::size_t i = 0; i < sizeof key - 1 && match; ++i)
            match = std::tolower(static_cast<unsigned char>(line[i])) == key[i];
        if (match) {
            std::string value = line.substr(sizeof key - 1);
            while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
            t->response->hasContentLength = true;
            t->response->contentLength = value;
        }
    }
    return n;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t n = size * count;
    auto& body = t->response->body;
    if (body.size() < t->maxBody) {
        std::size_t keep = std::min(n, t->maxBody - body.size());
        body.insert(body.end(), data, data + keep);
    }
    return n;  // the rest is dropped, the transfer goes on to its end or time-out
}

}  // namespace

CurlHttpClient::CurlHttpClient() { curl_global_init(CURL_GLOBAL_DEFAULT); }
CurlHttpClient::~CurlHttpClient() { curl_global_cleanup(); }

HResult CurlHttpClient::get(const HttpRequest& request, HttpResponse* response) {
    *response = HttpResponse{};
    CURL* curl = curl_easy_init();
    if (!curl) return kFail;
    std::string url = "http://" + request.host + request.path;
    Transfer transfer{response, request.maxBody};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, totalTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    // A response whose body stopped short still counts, as a short read did before.
    if (code != CURLE_OK && !transfer.sawStatusLine) return kFail;
    return kOk;
}

}  // namespace brine
