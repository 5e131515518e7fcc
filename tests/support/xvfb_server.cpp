#include "tests/support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace brine::test {

bool XvfbServer::start(const char* screen) {
    stop();
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "pipe failed";
        return false;
    }
    const std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ < 0) {
        error_ = "fork failed";
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid_ == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number and a newline once it accepts clients.
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos) {
        const int ready = poll(&p, 1, 20000);
        char buffer[32];
        const ssize_t n = ready > 0 ? read(fds[0], buffer, sizeof buffer) : -1;
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            break;
        }
        line.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (line.find('\n') == std::string::npos) {
        error_ = "Xvfb did not start (is it installed?)";
        stop();
        return false;
    }
    number_ = std::atoi(line.c_str());
    return true;
}

void XvfbServer::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = -1;
    number_ = -1;
}

}  // namespace brine::test
