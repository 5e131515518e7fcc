// HttpClient on WinInet: INTERNET_OPEN_TYPE_PRECONFIG, so the user's proxy settings apply as they
// did for the original; redirects are followed, as WinInet does by default. Every transfer is
// fresh (no cache, no dialogs), and the connect and receive time-outs of the Linux client keep a
// silent network from holding start-up.
#pragma once
#include "feed/http_client.h"

namespace brine {

class WinInetHttpClient : public HttpClient {
public:
    HResult get(const HttpRequest& request, HttpResponse* response) override;

    unsigned long connectTimeoutMs = 5000;
    unsigned long totalTimeoutMs = 15000;
};

}  // namespace brine
