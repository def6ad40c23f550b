#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plat {

namespace {

class PosixStreamSocket final : public StreamSocket {
public:
    ~PosixStreamSocket() override { Close(); }

    Connect Start(const std::string& host, int port) override {
        Close();
        mFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (mFd < 0) return Connect::NoSocket;
        const int flags = ::fcntl(mFd, F_GETFL, 0);
        ::fcntl(mFd, F_SETFL, flags | O_NONBLOCK);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(uint16_t(port));
        if (::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
                return Connect::NoHost;
            addr.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
            ::freeaddrinfo(found);
        }
        if (::connect(mFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS)
            return Connect::Failed;
        return Connect::Started;
    }

    Wait WaitFor(bool read, bool write, int timeoutMs) override {
        if (mFd < 0) return Wait::Error;
        pollfd p{mFd, short((read ? POLLIN : 0) | (write ? POLLOUT : 0)), 0};
        const int n = ::poll(&p, 1, timeoutMs);
        if (n < 0) return errno == EINTR ? Wait::Timeout : Wait::Error;
        if (n == 0) return Wait::Timeout;
        // A peer that closed is readable (the receive then sees the end);
        // an error with nothing readable is a failure.
        if ((p.revents & (POLLERR | POLLNVAL)) || ((p.revents & POLLHUP) && !(p.revents & POLLIN) && !read))
            return Wait::Error;
        if (write && (p.revents & POLLOUT)) {
            int err = 0;
            socklen_t len = sizeof err;
            if (::getsockopt(mFd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) return Wait::Error;
        }
        return Wait::Ready;
    }

    long Send(const char* data, std::size_t size) override {
        if (mFd < 0) return -1;
        return long(::send(mFd, data, size, MSG_NOSIGNAL));
    }

    long Receive(char* data, std::size_t size) override {
        if (mFd < 0) return -1;
        const long n = long(::recv(mFd, data, size, 0));
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? kNothingYet : n;
    }

    void Close() override {
        if (mFd >= 0) ::close(mFd);
        mFd = -1;
    }

private:
    int mFd = -1;
};

}  // namespace

std::unique_ptr<StreamSocket> NewStreamSocket() { return std::make_unique<PosixStreamSocket>(); }

}  // namespace plat
