#pragma once

#include <QAbstractSocket>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QtEndian>
#include <QtGlobal>
#include <optional>

namespace devnook::test {

// One end of a TCP connection, or a listener, on this machine as the system
// lists it (/proc/net/tcp and tcp6): what a test can see of another thread's
// socket without asking that thread.
struct TcpEnd {
    // Addresses as the tables write them (see tableAddresses).
    QByteArray localAddress;
    quint16 localPort = 0;
    QByteArray remoteAddress;
    quint16 remotePort = 0;
    // 1 established, 3 opening (held there, when the listener defers taking
    // connections, until the peer's first bytes come), 6 time-wait, 8 the
    // peer's end of the stream received (close-wait), 10 listening.
    int state = 0;
    // Sent and not acknowledged by the peer yet; with the window shut, unsent.
    qint64 unacknowledged = 0;
    // Arrived and not read yet; an end of the stream not read yet counts as
    // one. A listener's connections queued and not taken yet.
    qint64 unread = 0;
    // The timer that runs on it: 4 probes a peer whose window is shut.
    int timer = 0;

    static constexpr int kEstablished = 0x01;
    static constexpr int kSynReceived = 0x03;
    static constexpr int kTimeWait = 0x06;
    static constexpr int kCloseWait = 0x08;
    static constexpr int kListening = 0x0A;
    static constexpr int kWindowProbeTimer = 4;
};

// The system's TCP tables, through files opened once, so that they can be
// read while the process has no descriptor free. A table that cannot be read
// ends the test: a wait on what it shows would otherwise pass at once.
class TcpTable {
public:
    TcpTable()
    {
        for (QFile *table : {&m_ipv4, &m_ipv6}) {
            if (!table->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                qFatal("The system's TCP table %s cannot be opened: %s", qPrintable(table->fileName()),
                       qPrintable(table->errorString()));
        }
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
            const QByteArray text = table->readAll();
            // Even an empty table has its heading.
            if (!text.trimmed().startsWith("sl "))
                qFatal("The system's TCP table %s cannot be read: %s", qPrintable(table->fileName()),
                       text.isEmpty() ? qPrintable(table->errorString()) : "no table in it");
            for (const QByteArray &line : text.split('\n')) {
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

// The ways the tables may write the address: an IPv4 one in the IPv4 table
// and mapped into IPv6 in the other; none for no address.
inline QByteArrayList tableAddresses(const QHostAddress &address)
{
    // Each 32-bit word of the bytes, in network order, read as a number of this machine.
    const auto words = [](const quint8 *bytes, int count) {
        QByteArray text;
        for (int at = 0; at < count; at += 4)
            text +=
                QByteArray::number(qFromUnaligned<quint32>(bytes + at), 16).rightJustified(8, '0').toUpper();
        return text;
    };
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4) {
        const quint32 network = qToBigEndian(ipv4);
        const QByteArray own = words(reinterpret_cast<const quint8 *>(&network), 4);
        constexpr quint8 kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        return {own, words(kMappedPrefix, 12) + own};
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return {words(address.toIPv6Address().c, 16)};
    return {};
}

// The end at the local port whose peer is at the address (IPv4 or IPv6) and
// port; none when the system lists none (not made yet, or closed). An end
// lingering after its close (time-wait) is none.
inline std::optional<TcpEnd> tcpEnd(quint16 port, const QHostAddress &peer, quint16 peerPort)
{
    const QByteArrayList peerAddresses = tableAddresses(peer);
    for (const TcpEnd &end : TcpTable().ends()) {
        if (end.localPort == port && end.remotePort == peerPort &&
            peerAddresses.contains(end.remoteAddress) && end.state != TcpEnd::kTimeWait)
            return end;
    }
    return std::nullopt;
}

// A connected socket's own end.
inline std::optional<TcpEnd> ownEnd(const QAbstractSocket &socket)
{
    return tcpEnd(socket.localPort(), socket.peerAddress(), socket.peerPort());
}

// The peer's end of a connected socket.
inline std::optional<TcpEnd> peerEnd(const QAbstractSocket &socket)
{
    return tcpEnd(socket.peerPort(), socket.localAddress(), socket.localPort());
}

// True once the peer has read every byte the socket was given to send.
inline bool peerHasReadAll(const QAbstractSocket &socket)
{
    const std::optional<TcpEnd> own = ownEnd(socket);
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
