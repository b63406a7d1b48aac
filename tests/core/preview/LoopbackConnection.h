#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace devnook::test {

// A TCP connection on 127.0.0.1: the end the test holds (blocking) and the
// non-blocking end the code under test takes. A buffer size keeps what the
// kernel holds small.
struct Connection {
    int outer = -1;
    int inner = -1;
};

inline Connection loopbackConnection(int bufferBytes = 0)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int outer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    for (const int fd : {listener, outer}) {
        if (bufferBytes > 0) {
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
        }
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    ::connect(outer, reinterpret_cast<sockaddr *>(&address), sizeof address);
    const int inner = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    ::close(listener);
    return {outer, inner};
}

} // namespace devnook::test
