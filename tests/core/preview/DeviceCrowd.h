#pragma once

#include <QFile>
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

// A device that sends its request, then neither reads nor closes; the
// answer waits unread in its system.
class SilentDevice {
public:
    SilentDevice(quint16 port, const QHostAddress &from, const QByteArray &request)
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(from.toIPv4Address());
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
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

// The system's TCP tables, through files opened once, so that they can be
// read while the process has no descriptor free.
class TcpTable {
public:
    TcpTable()
    {
        for (QFile *table : {&m_ipv4, &m_ipv6})
            table->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    // Connections the listener on the port has queued and no one has taken yet.
    int waitingToBeTaken(quint16 port)
    {
        for (const Entry &entry : entries()) {
            if (entry.localPort == port && entry.state == kListening)
                return entry.receiveQueue;
        }
        return 0;
    }

    // True while the side at the port of the connection from the device's
    // port is open and has not ended its sending.
    bool holds(quint16 port, quint16 devicePort)
    {
        for (const Entry &entry : entries()) {
            if (entry.localPort == port && entry.remotePort == devicePort &&
                (entry.state == kEstablished || entry.state == kCloseWait))
                return true;
        }
        return false;
    }

    // True once the side at the port of the connection from the device's
    // port can send the device nothing more (its window is shut: the timer
    // that probes it runs) and holds so much unsent that the system will not
    // tell the proxy to write more: the proxy's last write to it is past.
    bool stalledOn(quint16 port, quint16 devicePort)
    {
        for (const Entry &entry : entries()) {
            if (entry.localPort == port && entry.remotePort == devicePort)
                return entry.timer == kWindowProbeTimer && entry.sendQueue >= kMaxUnsentWhenWritable;
        }
        return false;
    }

private:
    static constexpr int kEstablished = 0x01;
    static constexpr int kCloseWait = 0x08;
    static constexpr int kListening = 0x0A;
    static constexpr int kWindowProbeTimer = 4;
    // The proxy lets 64 KiB wait unsent; the system tells it to write only below half of that.
    static constexpr int kMaxUnsentWhenWritable = 32 * 1024;

    // One line: "sl local_address rem_address st tx_queue:rx_queue tr:when
    // ...", in hexadecimal; a listener's rx_queue counts the connections it
    // has queued, tx_queue of a connection whose window is shut its unsent bytes.
    struct Entry {
        quint16 localPort = 0;
        quint16 remotePort = 0;
        int state = 0;
        int sendQueue = 0;
        int receiveQueue = 0;
        int timer = 0;
    };

    QList<Entry> entries()
    {
        const auto port = [](const QByteArray &address) {
            return static_cast<quint16>(address.sliced(address.lastIndexOf(':') + 1).toUInt(nullptr, 16));
        };
        QList<Entry> entries;
        for (QFile *table : {&m_ipv4, &m_ipv6}) {
            table->seek(0);
            for (const QByteArray &line : table->readAll().split('\n')) {
                const QList<QByteArray> fields = line.simplified().split(' ');
                if (fields.size() < 6 || !fields[0].endsWith(':'))
                    continue;
                const QList<QByteArray> queues = fields[4].split(':');
                entries.append({port(fields[1]), port(fields[2]), fields[3].toInt(nullptr, 16),
                                queues.value(0).toInt(nullptr, 16), queues.value(1).toInt(nullptr, 16),
                                fields[5].split(':').value(0).toInt(nullptr, 16)});
            }
        }
        return entries;
    }

    QFile m_ipv4{QStringLiteral("/proc/net/tcp")};
    QFile m_ipv6{QStringLiteral("/proc/net/tcp6")};
};

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
           table.waitingToBeTaken(port) == 0;
}

} // namespace devnook::test
