#pragma once

#include <QByteArrayView>
#include <cerrno>
#include <sys/socket.h>
#include <sys/types.h>

// Sending and reading on the non-blocking descriptors of devices and dev servers.
namespace devnook::DevicePreviewSocketIo {

// True when the last call failed only because it would have had to wait.
inline bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

// Sends what the system takes now, never raising SIGPIPE: the count sent, 0
// when nothing could go yet, -1 when the connection failed.
inline ssize_t sendSome(int fd, QByteArrayView bytes)
{
    const ssize_t sent = ::send(fd, bytes.data(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
    if (sent >= 0)
        return sent;
    return wouldBlock() ? 0 : -1;
}

} // namespace devnook::DevicePreviewSocketIo
