#pragma once
// One running copy per user: a lock file held with flock for the first
// instance's lifetime, and a datagram socket beside it through which a
// later instance asks the first to come to the front.
#include <string>

namespace plat {

class SingleInstance {
public:
    // name: product name + "Mutex". dir: empty for $XDG_RUNTIME_DIR, else
    // the temporary folder.
    explicit SingleInstance(std::string name, std::string dir = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this is the first instance (it then holds the lock and
    // listens). False when another holds it, or the lock file cannot be made
    // (then the check is skipped: see LockFailed).
    bool Acquire();
    bool LockFailed() const { return lockFailed_; }
    // Second instance: one datagram to the first. False when none arrived.
    bool NotifyFirst();
    // First instance: takes every waiting datagram; true when there was one.
    bool PollNotify();

    const std::string& lockPath() const { return lockPath_; }
    const std::string& socketPath() const { return socketPath_; }

private:
    std::string lockPath_, socketPath_;
    int lockFd_ = -1, socketFd_ = -1;
    bool lockFailed_ = false;
};

}  // namespace plat
