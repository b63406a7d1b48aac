#pragma once

#include <QAbstractSocket>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QtEndian>
#include <optional>

namespace devnook::test {

// One end of a TCP connection, or a listener, on this machine as the system
// lists it (/proc/net/tcp and tcp6): what a test can see of another thread's
// socket without asking that thread.
struct TcpEnd {
    // Addresses as the tables write them: hexadecimal, an IPv4 one as its
    // bytes read as a number of this machine; one mapped into IPv6 ends the same.
    QByteArray localAddress;
    quint16 localPort = 0;
    QByteArray remoteAddress;
    quint16 remotePort = 0;
    // 1 established, 6 time-wait, 8 the peer's end of the stream received
    // (close-wait), 10 listening.
    int state = 0;
    // Sent and not acknowledged by the peer yet; with the window shut, unsent.
    qint64 unacknowledged = 0;
    // Arrived and not read yet; an end of the stream not read yet counts as
    // one. A listener's connections queued and not taken yet.
    qint64 unread = 0;
    // The timer that runs on it: 4 probes a peer whose window is shut.
    int timer = 0;

    static constexpr int kEstablished = 0x01;
    static constexpr int kTimeWait = 0x06;
    static constexpr int kCloseWait = 0x08;
    static constexpr int kListening = 0x0A;
    static constexpr int kWindowProbeTimer = 4;
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

    // One line: "sl local_address rem_address st tx_queue:rx_queue tr:when ...".
    QList<TcpEnd> ends()
    {
        const auto split = [](const QByteArray &address) {
            const qsizetype colon = address.lastIndexOf(':');
            return std::pair(address.first(colon),
                             static_cast<quint16>(address.sliced(colon + 1).toUInt(nullptr, 16)));
        };
        QList<TcpEnd> ends;
        for (QFile *table : {&m_ipv4, &m_ipv6}) {
            table->seek(0);
            // Read whole: the system tells no size.
            for (const QByteArray &line : table->readAll().split('\n')) {
                const QList<QByteArray> fields = line.simplified().split(' ');
                if (fields.size() < 6 || !fields[0].endsWith(':'))
                    continue;
                const auto [localAddress, localPort] = split(fields[1]);
                const auto [remoteAddress, remotePort] = split(fields[2]);
                const QList<QByteArray> queues = fields[4].split(':');
                ends.append({localAddress, localPort, remoteAddress, remotePort, fields[3].toInt(nullptr, 16),
                             queues.value(0).toLongLong(nullptr, 16), queues.value(1).toLongLong(nullptr, 16),
                             fields[5].split(':').value(0).toInt(nullptr, 16)});
            }
        }
        return ends;
    }

private:
    QFile m_ipv4{QStringLiteral("/proc/net/tcp")};
    QFile m_ipv6{QStringLiteral("/proc/net/tcp6")};
};

// The end at the local port whose peer is at the IPv4 address and port;
// none when the system lists none (not made yet, or closed). An end
// lingering after its close (time-wait) is none.
inline std::optional<TcpEnd> tcpEnd(quint16 port, const QHostAddress &peer, quint16 peerPort)
{
    const QByteArray peerAddress =
        QByteArray::number(qToBigEndian(peer.toIPv4Address()), 16).rightJustified(8, '0').toUpper();
    for (const TcpEnd &end : TcpTable().ends()) {
        if (end.localPort == port && end.remotePort == peerPort && end.remoteAddress.endsWith(peerAddress) &&
            end.state != TcpEnd::kTimeWait)
            return end;
    }
    return std::nullopt;
}

// The peer's end of a connected socket.
inline std::optional<TcpEnd> peerEnd(const QAbstractSocket &socket)
{
    return tcpEnd(socket.peerPort(), socket.localAddress(), socket.localPort());
}

// True once the peer has read every byte the socket was given to send.
inline bool peerHasReadAll(const QAbstractSocket &socket)
{
    const std::optional<TcpEnd> own = tcpEnd(socket.localPort(), socket.peerAddress(), socket.peerPort());
    const std::optional<TcpEnd> peer = peerEnd(socket);
    return socket.bytesToWrite() == 0 && own && own->unacknowledged == 0 && peer && peer->unread == 0;
}

// True once the peer has read the end of the socket's stream, after all
// that came before it.
inline bool peerHasReadTheEnd(const QAbstractSocket &socket)
{
    const std::optional<TcpEnd> peer = peerEnd(socket);
    return peer && peer->state == TcpEnd::kCloseWait && peer->unread == 0;
}

} // namespace devnook::test
