#include "platform/linux/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "base/product.h"

namespace brine {

std::string InstanceLock::default_path() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return std::string(runtime) + "/" + kProductTitle + ".lock";
    std::error_code ec;
    std::string tmp = std::filesystem::temp_directory_path(ec).string();
    if (ec || tmp.empty()) tmp = "/tmp";
    return tmp + "/" + kProductTitle + "-" + std::to_string(::getuid()) + ".lock";
}

bool InstanceLock::acquire(const std::string& path) {
    if (fd_ >= 0) return true;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no place for a lock: do not refuse to start over it
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace brine
