// The single-instance test on Linux: an exclusive flock on a per-user file in $XDG_RUNTIME_DIR
// (or the temporary directory), held for the whole run. The kernel drops it when the process
// ends, however it ends, so a crashed run never blocks the next start.
#pragma once
#include <string>

namespace brine {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process (or another InstanceLock) holds it. True when this one now holds
    // it, and also when no lock file can be made at all: a start is never refused over that.
    bool acquire(const std::string& path = default_path());
    void release();
    bool held() const { return fd_ >= 0; }

    // "$XDG_RUNTIME_DIR/Brinelight Vespera.lock", else "<tmp>/Brinelight Vespera-<uid>.lock".
    static std::string default_path();

private:
    int fd_ = -1;
};

}  // namespace brine
