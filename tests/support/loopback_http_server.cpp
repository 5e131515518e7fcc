#include "tests/support/loopback_http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

namespace brine::test {
namespace {

#ifdef _WIN32
using Socket = SOCKET;
using IoSize = int;
constexpr int kNoSignal = 0;
constexpr int kShutWrite = SD_SEND;
int poll_one(Socket s, int timeoutMs) {
    WSAPOLLFD p{s, POLLIN, 0};
    return ::WSAPoll(&p, 1, timeoutMs);
}
void close_socket(Socket s) { ::closesocket(s); }
// Winsock wants one WSAStartup per user; the count keeps it balanced with WSACleanup.
struct WinsockUse {
    WinsockUse() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUse() { ::WSACleanup(); }
};
#else
using Socket = int;
using IoSize = ssize_t;
constexpr int kNoSignal = MSG_NOSIGNAL;
constexpr int kShutWrite = SHUT_WR;
int poll_one(Socket s, int timeoutMs) {
    pollfd p{s, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs);
}
void close_socket(Socket s) { ::close(s); }
struct WinsockUse {};
#endif

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(std::string rawResponse) : raw_(std::move(rawResponse)) {
    static WinsockUse winsock;
    const Socket listener = ::socket(AF_INET, SOCK_STREAM, 0);
    listenFd_ = static_cast<std::intptr_t>(listener);
    int one = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 8);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    close_socket(static_cast<Socket>(listenFd_));
}

std::vector<std::string> LoopbackHttpServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackHttpServer::set_response(std::string rawResponse) {
    std::lock_guard<std::mutex> lock(mutex_);
    raw_ = std::move(rawResponse);
}

std::string LoopbackHttpServer::response(const std::string& body, long long contentLength, int status) {
    const char* reason = status == 200 ? "OK" : status == 404 ? "Not Found" : status == 502 ? "Bad Gateway"
                                                : status == 503 ? "Service Unavailable" : "Status";
    std::string r = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nConnection: close\r\n";
    if (contentLength >= 0) r += "Content-Length: " + std::to_string(contentLength) + "\r\n";
    r += "\r\n" + body;
    return r;
}

void LoopbackHttpServer::serve() {
    const Socket listener = static_cast<Socket>(listenFd_);
    while (!stop_) {
        if (poll_one(listener, 50) <= 0) continue;
        const Socket fd = ::accept(listener, nullptr, nullptr);
#ifdef _WIN32
        if (fd == INVALID_SOCKET) continue;
#else
        if (fd < 0) continue;
#endif
        std::string head;
        char buf[1024];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            if (poll_one(fd, 2000) <= 0) break;
            const IoSize n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            head.append(buf, static_cast<size_t>(n));
        }
        std::string reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head.substr(0, head.find("\r\n\r\n")));
            reply = raw_;
        }
        size_t sent = 0;
        while (sent < reply.size()) {
            const IoSize n = ::send(fd, reply.data() + sent, static_cast<int>(reply.size() - sent), kNoSignal);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        ::shutdown(fd, kShutWrite);
        close_socket(fd);
    }
}

}  // namespace brine::test
