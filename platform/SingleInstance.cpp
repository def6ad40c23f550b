#include "platform/SingleInstance.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "orvek/Log.h"

namespace plat {
namespace {

const orvek::LogChannel& Warn() {
    static const orvek::LogChannel channel("platform.instance", orvek::log_warning_flag);
    return channel;
}

std::string RuntimeFolder() {
    for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return "/tmp";
}

// The product name may hold anything; the file names may not.
std::string FileSafe(const std::string& name) {
    std::string out;
    for (unsigned char c : name) out += (c == '/' || c < 0x20 || c == 0x7F) ? '_' : static_cast<char>(c);
    return out.empty() ? std::string("_") : out;
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

}  // namespace

SingleInstance::SingleInstance(std::string name, std::string dir) {
    if (dir.empty()) dir = RuntimeFolder();
    const std::string base = dir + "/" + FileSafe(name);
    lockPath_ = base + ".lock";
    socketPath_ = base + ".sock";
}

SingleInstance::~SingleInstance() {
    if (socketFd_ >= 0) {
        ::close(socketFd_);
        ::unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) ::close(lockFd_);   // releases the lock
}

bool SingleInstance::Acquire() {
    if (lockFd_ >= 0) return true;
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        lockFailed_ = true;
        Warn() << "'" << lockPath_ << "': cannot create the instance lock: " << std::strerror(errno) << std::endl;
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK) {
            lockFailed_ = true;
            Warn() << "'" << lockPath_ << "': cannot lock: " << std::strerror(err) << std::endl;
        }
        return false;
    }
    lockFd_ = fd;
    // A socket left by a crashed first instance is stale now that we hold the lock.
    sockaddr_un addr;
    if (!FillAddress(socketPath_, addr)) {
        Warn() << "'" << socketPath_ << "': path too long for a socket; no raise requests" << std::endl;
        return true;
    }
    ::unlink(socketPath_.c_str());
    const int s = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        socketFd_ = s;
    } else {
        Warn() << "'" << socketPath_ << "': cannot listen: " << std::strerror(errno) << std::endl;
        if (s >= 0) ::close(s);
    }
    return true;
}

bool SingleInstance::NotifyFirst() {
    sockaddr_un addr;
    if (!FillAddress(socketPath_, addr)) return false;
    const int s = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    const char note = 'N';
    const bool sent = ::sendto(s, &note, 1, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 1;
    ::close(s);
    return sent;
}

bool SingleInstance::PollNotify() {
    if (socketFd_ < 0) return false;
    bool any = false;
    char buf[16];
    while (::recv(socketFd_, buf, sizeof buf, MSG_DONTWAIT) >= 0) any = true;
    return any;
}

}  // namespace plat
