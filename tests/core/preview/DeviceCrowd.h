#pragma once

#include "support/TcpEnds.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Devices that crowd a proxy, and what the system shows of the proxy's side
// of their connections: the proxy itself gives no sign of taking one.
namespace devnook::test {

using Sockets = std::vector<std::unique_ptr<QTcpSocket>>;

// 127.0.0.<last>: another device for each.
inline QHostAddress loopback(int last)
{
    return QHostAddress(QStringLiteral("127.0.0.") + QString::number(last));
}

// All the proxy writes on a connection until it closes it.
inline QByteArray readUntilClosed(QTcpSocket &socket)
{
    QByteArray received;
    const auto reading =
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { received += socket.readAll(); });
    if (!QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 30000))
        received += "[left open]";
    QObject::disconnect(reading);
    return received;
}

// Connects the socket from the loopback address to the port on 127.0.0.1,
// blocking; false when the connection fails.
inline bool connectFrom(int fd, const QHostAddress &from, quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(from.toIPv4Address());
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
}

// A device that sends its request, then neither reads nor closes; the
// answer waits unread in its system.
class SilentDevice {
public:
    SilentDevice(quint16 port, const QHostAddress &from, const QByteArray &request)
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        if (connectFrom(m_fd, from, port))
            send(request);
    }
    ~SilentDevice() { ::close(m_fd); }
    SilentDevice(const SilentDevice &) = delete;
    SilentDevice &operator=(const SilentDevice &) = delete;

    void send(const QByteArray &bytes)
    {
        ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    }

    // What has arrived of the answer, left unread.
    QByteArray answer() const
    {
        QByteArray bytes(4096, '\0');
        const ssize_t got = ::recv(m_fd, bytes.data(), size_t(bytes.size()), MSG_PEEK | MSG_DONTWAIT);
        return bytes.first(std::max<qsizetype>(got, 0));
    }

    // The device's own port.
    quint16 port() const
    {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length);
        return ntohs(address.sin_port);
    }

    // True once the proxy has closed its side: a byte sent to it then is
    // answered with a reset (one sent while it holds the connection is dropped).
    bool closedByProxy()
    {
        send(" ");
        pollfd state{m_fd, 0, 0};
        return ::poll(&state, 1, 0) == 1 && (state.revents & (POLLERR | POLLHUP));
    }

private:
    int m_fd;
};

// Connections the listener on the port has queued and no one has taken yet.
// A listener the system does not list ends the test: none would be read as
// none queued.
inline int waitingToBeTaken(TcpTable &table, quint16 port)
{
    for (const TcpEnd &end : table.ends()) {
        if (end.localPort == port && end.state == TcpEnd::kListening)
            return int(end.unread);
    }
    qFatal("The system lists no listener at port %d", port);
}

// True while the side at the port of the connection from the device's port
// is open and has not ended its sending.
inline bool holds(TcpTable &table, quint16 port, quint16 devicePort)
{
    for (const TcpEnd &end : table.ends()) {
        if (end.localPort == port && end.remotePort == devicePort &&
            (end.state == TcpEnd::kEstablished || end.state == TcpEnd::kCloseWait))
            return true;
    }
    return false;
}

// True once the side at the port of the connection from the device's port
// can send the device nothing more (its window is shut: the timer that
// probes it runs) and holds so much unsent that the system will not tell the
// proxy to write more: the proxy's last write to it is past.
inline bool stalledOn(TcpTable &table, quint16 port, quint16 devicePort)
{
    // The proxy lets 64 KiB wait unsent; the system tells it to write only below half of that.
    constexpr qint64 kMaxUnsentWhenWritable = 32 * 1024;
    for (const TcpEnd &end : table.ends()) {
        if (end.localPort == port && end.remotePort == devicePort)
            return end.timer == TcpEnd::kWindowProbeTimer && end.unacknowledged >= kMaxUnsentWhenWritable;
    }
    return false;
}

// True once every device has handed its bytes to the proxy's system (or was
// turned away), and the proxy has taken every connection queued for it: it
// takes them in the order they came.
inline bool proxyTookThem(TcpTable &table, quint16 port, const Sockets &devices)
{
    return std::all_of(devices.begin(), devices.end(),
                       [](const auto &device) {
                           if (device->state() == QAbstractSocket::UnconnectedState)
                               return true;
                           int unacknowledged = 0;
                           return device->state() == QAbstractSocket::ConnectedState &&
                                  device->bytesToWrite() == 0 &&
                                  ::ioctl(static_cast<int>(device->socketDescriptor()), SIOCOUTQ,
                                          &unacknowledged) == 0 &&
                                  unacknowledged == 0;
                       }) &&
           waitingToBeTaken(table, port) == 0;
}

} // namespace devnook::test
