// HttpClient on libcurl. The proxy variables (http_proxy, no_proxy) are honoured because they are
// how a Linux desktop names its proxy, and behind one the server is reachable no other way.
// Redirects are followed (plain HTTP only, at most 5) so a moved document still arrives. Connect
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
