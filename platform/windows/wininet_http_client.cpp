// One GET through WinInet: open, connect on port 80, request, send, then the status line's code,
// the Content-Length header as sent, and the body up to maxBody bytes.
#include "platform/windows/wininet_http_client.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

#include "platform/windows/win_text.h"

namespace brine {
namespace {

// Closes a WinInet handle on every way out.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET h) : h_(h) {}
    ~InternetHandle() {
        if (h_) InternetCloseHandle(h_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HINTERNET h_;
};

void set_timeout(HINTERNET h, DWORD option, DWORD ms) { InternetSetOptionW(h, option, &ms, sizeof ms); }

}  // namespace

HResult WinInetHttpClient::get(const HttpRequest& request, HttpResponse* response) {
    *response = HttpResponse{};
    const std::wstring agent = utf8_to_wide(request.userAgent);
    InternetHandle session(InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return kFail;
    // Set on the session so that every handle below inherits them.
    set_timeout(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeoutMs);
    set_timeout(session.get(), INTERNET_OPTION_SEND_TIMEOUT, totalTimeoutMs);
    set_timeout(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, totalTimeoutMs);

    const std::wstring host = utf8_to_wide(request.host);
    InternetHandle connection(InternetConnectW(session.get(), host.c_str(), INTERNET_DEFAULT_HTTP_PORT, nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return kFail;
    const std::wstring path = utf8_to_wide(request.path);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
    InternetHandle http(HttpOpenRequestW(connection.get(), L"GET", path.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!http) return kFail;
    if (!HttpSendRequestW(http.get(), nullptr, 0, nullptr, 0)) return kFail;  // no response at all

    // The final response's status (WinInet has followed any redirect); only a 200 is the document.
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (HttpQueryInfoW(http.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr))
        response->status = static_cast<int>(status);

    wchar_t length[64] = {};
    DWORD lengthSize = sizeof length;  // bytes, as HttpQueryInfo counts them
    if (HttpQueryInfoW(http.get(), HTTP_QUERY_CONTENT_LENGTH, length, &lengthSize, nullptr)) {
        response->hasContentLength = true;
        response->contentLength = wide_to_utf8(std::wstring_view(length, lengthSize / sizeof(wchar_t)));
    }

    // A read that fails half-way keeps what arrived, as a short body always has.
    const ULONGLONG start = GetTickCount64();
    char buffer[8192];
    while (response->body.size() < request.maxBody && GetTickCount64() - start < totalTimeoutMs) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(sizeof buffer, request.maxBody - response->body.size()));
        if (!InternetReadFile(http.get(), buffer, want, &got) || got == 0) break;
        response->body.insert(response->body.end(), buffer, buffer + got);
    }
    return kOk;
}

}  // namespace brine
