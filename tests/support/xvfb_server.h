// A private X server for tests that need a real display (OpenGL device, fonts, desktop window):
// Xvfb picks a free display number itself (-displayfd), so tests running side by side never race
// for one. POSIX only; no X or Qt header.
#pragma once
#include <string>
#include <sys/types.h>

namespace brine::test {

class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts Xvfb with one screen ("WxHxDepth"); false (with a reason in error()) when it cannot.
    bool start(const char* screen = "1280x1024x24");
    void stop();
    std::string display_name() const { return ":" + std::to_string(number_); }
    const std::string& error() const { return error_; }

private:
    pid_t pid_ = -1;
    int number_ = -1;
    std::string error_;
};

}  // namespace brine::test
