#include "tests/support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace brine::test {

LoopbackHttpServer::LoopbackHttpServer(std::string rawResponse) : raw_(std::move(rawResponse)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd_, 8);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
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
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) continue;
        std::string head;
        char buf[1024];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            pollfd q{fd, POLLIN, 0};
            if (::poll(&q, 1, 2000) <= 0) break;
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
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
            ssize_t n = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
    }
}

}  // namespace brine::test
