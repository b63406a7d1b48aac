#pragma once

#include <QAbstractSocket>
#include <QFile>
#include <QHostAddress>
#include <QtEndian>
#include <optional>

namespace devnook::test {

// One end of a TCP connection over IPv4 on this machine as the system lists
// it (/proc/net/tcp and tcp6): what a test can see of another thread's
// socket without asking that thread.
struct TcpEnd {
    // 1 established, 8 the peer's end of the stream received (close-wait), …
    int state = 0;
    // Arrived and not read yet; an end of the stream not read yet counts as one.
    qint64 unread = 0;
    // Sent and not acknowledged by the peer yet.
    qint64 unacknowledged = 0;
};

// The end at the local port whose peer is at the IPv4 address and port;
// none when the system lists none (not made yet, or closed). An end
// lingering after its close (time-wait) is none.
inline std::optional<TcpEnd> tcpEnd(quint16 port, const QHostAddress &peer, quint16 peerPort)
{
    constexpr int kTimeWait = 6;
    // The tables write an IPv4 address as its bytes read as a number of this
    // machine, and its port as a number; an IPv4 address mapped into IPv6 ends the same.
    const QByteArray peerText =
        QByteArray::number(qToBigEndian(peer.toIPv4Address()), 16).rightJustified(8, '0').toUpper() + ':' +
        QByteArray::number(peerPort, 16).rightJustified(4, '0').toUpper();
    const QByteArray portText = ':' + QByteArray::number(port, 16).rightJustified(4, '0').toUpper();
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Read whole: the system tells no size, and a file of no size seems at its end early.
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 5 || !fields[1].endsWith(portText) || !fields[2].endsWith(peerText))
                continue;
            const int state = fields[3].toInt(nullptr, 16);
            if (state == kTimeWait)
                continue;
            const QList<QByteArray> queues = fields[4].split(':');
            return TcpEnd{state, queues.value(1).toLongLong(nullptr, 16),
                          queues.value(0).toLongLong(nullptr, 16)};
        }
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
    constexpr int kCloseWait = 8;
    const std::optional<TcpEnd> peer = peerEnd(socket);
    return peer && peer->state == kCloseWait && peer->unread == 0;
}

} // namespace devnook::test
