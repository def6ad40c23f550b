#pragma once
// A TCP stream socket to an IPv4 host: non-blocking, with bounded waits, so
// a worker thread can look at its stop flags between waits.
#include <cstddef>
#include <memory>
#include <string>

namespace plat {

class StreamSocket {
public:
    enum class Connect { Started, NoSocket, NoHost, Failed };
    enum class Wait { Ready, Timeout, Error };

    virtual ~StreamSocket() = default;
    // Creates the socket, resolves the host (a dotted address, else by name,
    // the first IPv4 address) and starts connecting; completion shows as
    // the socket becoming writable.
    virtual Connect Start(const std::string& host, int port) = 0;
    // Waits at most timeoutMs for the asked readiness; an error condition
    // on the socket (refused connect, reset) gives Error.
    virtual Wait WaitFor(bool read, bool write, int timeoutMs) = 0;
    // What Receive gives when nothing has arrived yet.
    static constexpr long kNothingYet = -2;
    // Bytes sent or received; 0 means the peer closed, -1 an error.
    virtual long Send(const char* data, std::size_t size) = 0;
    virtual long Receive(char* data, std::size_t size) = 0;
    virtual void Close() = 0;
};

std::unique_ptr<StreamSocket> NewStreamSocket();

}  // namespace plat
