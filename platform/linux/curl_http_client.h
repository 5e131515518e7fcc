// HttpClient on libcurl. The proxy variables (http_proxy, no_proxy) are honoured the way the
// original honoured the system's proxy settings; redirects are followed as WinInet did. Connect
// and total time-outs keep a silent network from holding start-up for ever.
#pragma once
#include "feed/http_client.h"

namespace brine {

class CurlHttpClient : public HttpClient {
public:
    CurlHttpClient();
    ~CurlHttpClient() override;
    HResult get(const HttpRequest& request, HttpResponse* response) override;

    long connectTimeoutSeconds = 5;
    long totalTimeoutSeconds = 15;
};

}  // namespace brine
