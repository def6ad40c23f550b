#pragma once
// A listening socket on 127.0.0.1 at a port the system picks, for the test
// servers that the network tests start.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace apptest {

inline int listen_on_loopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 1);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

}  // namespace apptest
