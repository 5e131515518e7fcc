// A one-thread HTTP server on 127.0.0.1 for tests: answers every connection with a canned raw
// response and remembers the requests it saw. Used directly and as the proxy that the proxy
// variables point to (a proxy receives the absolute URL in the request line). POSIX sockets, or
// Winsock in the Windows build.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brine::test {

class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::string rawResponse);
    ~LoopbackHttpServer();
    int port() const { return port_; }
    std::vector<std::string> requests();  // each request's head (request line and headers)
    void set_response(std::string rawResponse);

    // Builds a response with the given body, and a Content-Length header when length >= 0.
    static std::string response(const std::string& body, long long contentLength, int status = 200);

private:
    void serve();
    std::intptr_t listenFd_ = -1;  // a SOCKET on Windows
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string raw_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace brine::test
