#include "ChunkedBody.h"
#include "DeviceCrowd.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"

#include <QCryptographicHash>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <netinet/tcp.h>
#include <thread>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

using Flood = std::vector<std::unique_ptr<SilentDevice>>;

constexpr int kFloodingAddresses = 4;
// Far more than the systems between a device that does not read and the proxy take in.
const QByteArray kLargePage = "GET /large/2097152 HTTP/1.1\r\n\r\n";

// Devices that stop reading are not cut off by the proxy's time limits
// while a test lasts.
DevicePreviewProxyLimits floodLimits(int maxConnections, std::chrono::milliseconds stallTime)
{
    DevicePreviewProxyLimits limits = testLimits();
    limits.headTimeout = 30s;
    limits.idleTimeout = 60s;
    limits.upstreamTimeout = 30s;
    limits.lingerTime = 30s;
    limits.maxConnections = maxConnections;
    limits.stallTime = stallTime;
    return limits;
}

// Adds a device from the address that asks for the large page and never reads it.
bool addStalled(Flood &flood, const ProxyRig &rig, const QHostAddress &from)
{
    flood.push_back(std::make_unique<SilentDevice>(rig.port, from, kLargePage));
    return QTest::qWaitFor([&] { return flood.back()->answer().startsWith("HTTP/1.1 200 OK\r\n"); });
}

int closedByProxy(const Flood &flood, int first, int count)
{
    return static_cast<int>(std::count_if(flood.begin() + first, flood.begin() + first + count,
                                          [](const auto &device) { return device->closedByProxy(); }));
}

// The device from the address, if the proxy answers it; none when it is
// turned away.
std::unique_ptr<QTcpSocket> served(const ProxyRig &rig, const QByteArray &request, const QHostAddress &from)
{
    std::unique_ptr<QTcpSocket> device = rig.connect(request, from);
    QByteArray head;
    const auto reading = QObject::connect(device.get(), &QTcpSocket::readyRead, device.get(),
                                          [&head, raw = device.get()] { head = raw->peek(64); });
    const bool told = QTest::qWaitFor(
        [&] { return !head.isEmpty() || device->state() == QAbstractSocket::UnconnectedState; });
    QObject::disconnect(reading);
    return told && head.startsWith("HTTP/1.1 200 OK\r\n") ? std::move(device) : nullptr;
}

// The device from the address, answered once the proxy has room for it;
// until then it is turned away at once, and comes back.
std::unique_ptr<QTcpSocket> servedWhenThereIsRoom(const ProxyRig &rig, const QByteArray &request,
                                                  const QHostAddress &from)
{
    std::unique_ptr<QTcpSocket> device;
    return QTest::qWaitFor([&] { return (device = served(rig, request, from)) != nullptr; }, 20000)
               ? std::move(device)
               : nullptr;
}

// A device that reads its answer a little at a time (64 KiB at most), with
// a pause before each read, in a thread of its own; until the connection ends.
class SlowReader {
public:
    SlowReader(quint16 port, const QHostAddress &from, const QByteArray &request,
               std::chrono::milliseconds pause)
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        // Little is held for it on the way, on its side (a small receive
        // buffer) and on the proxy's (whose system sizes its send buffer by
        // the segment): each read lets a little more through, and the rest
        // of a large answer waits at the proxy.
        const int bufferBytes = 64 * 1024;
        const int segmentBytes = 1400;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_MAXSEG, &segmentBytes, sizeof segmentBytes);
        if (!connectFrom(m_fd, from, port) ||
            ::send(m_fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
            m_ended = true;
            return;
        }
        m_thread = std::thread([this, pause] {
            char buffer[64 * 1024];
            while (!m_stop) {
                std::this_thread::sleep_for(pause);
                const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
                if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
                    break;
                if (got > 0) {
                    const std::lock_guard lock(m_mutex);
                    m_received.append(buffer, got);
                }
            }
            m_ended = true;
        });
    }
    ~SlowReader()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }
    SlowReader(const SlowReader &) = delete;
    SlowReader &operator=(const SlowReader &) = delete;

    // The device's own port.
    quint16 port() const
    {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length);
        return ntohs(address.sin_port);
    }
    // True once the proxy has closed the connection (or reset it).
    bool ended() const { return m_ended; }
    // What it has read so far.
    QByteArray received() const
    {
        const std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    int m_fd;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_ended = false;
    mutable std::mutex m_mutex;
    QByteArray m_received;
};

} // namespace

// Devices whose answers wait unread take no place that another device needs.
class DevicePreviewFloodTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
    }

    // Four addresses fill their share of the proxy with large answers they
    // never read. Each other device is served in the place of one of those
    // of the addresses that hold the most, until an address holds no more
    // than the rest; the tunnel, event stream and slow upload of another
    // device go on meanwhile.
    void aFloodOfUnreadAnswersShutsNoOtherDeviceOut()
    {
        m_server->setUpgradeHandler([](QTcpSocket *socket) {
            socket->readAll();
            socket->write(
                "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n");
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [socket] { socket->write(socket->readAll()); });
        });
        const int share = testLimits().maxConnectionsPerAddress;
        const ProxyRig rig(m_server->origin(), floodLimits(kFloodingAddresses * share + 3, 1s));

        QByteArray tunnelled;
        const auto tunnel = rig.connect("GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\n\r\n", loopback(20));
        connect(tunnel.get(), &QTcpSocket::readyRead, this, [&] { tunnelled += tunnel->readAll(); });
        QByteArray events;
        const auto stream = rig.connect("GET /events/20 HTTP/1.1\r\n\r\n", loopback(21));
        connect(stream.get(), &QTcpSocket::readyRead, this, [&] { events += stream->readAll(); });
        const QByteArray body(64 * 1024, 'u');
        const auto upload =
            rig.connect("POST /upload HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) +
                            "\r\n\r\n" + body.first(1000),
                        loopback(22));
        QTRY_VERIFY(tunnelled.startsWith("HTTP/1.1 101 "));
        QTRY_VERIFY(events.contains("data: tick"));
        QTRY_COMPARE(upload->bytesToWrite(), 0);

        Flood flood;
        for (int i = 0; i < kFloodingAddresses * share; ++i)
            QVERIFY(addStalled(flood, rig, loopback(2 + i / share)));

        Sockets newcomers;
        for (int i = 0; i < kFloodingAddresses; ++i) {
            newcomers.push_back(
                servedWhenThereIsRoom(rig, "GET /events/20 HTTP/1.1\r\n\r\n", loopback(30 + i)));
            QVERIFY2(newcomers.back(), qPrintable(u"newcomer %1 was not served"_s.arg(i)));
        }
        QVERIFY(QTest::qWaitFor(
            [&] { return closedByProxy(flood, 0, int(flood.size())) == kFloodingAddresses; }));
        for (int address = 0; address < kFloodingAddresses; ++address)
            QCOMPARE(closedByProxy(flood, address * share, share), 1);
        // Every address holds one now: one of the flood's is as welcome as any.
        QCOMPARE(readUntilClosed(*rig.connect("GET /page HTTP/1.1\r\n\r\n", loopback(2))), QByteArray());
        const auto page = servedWhenThereIsRoom(rig, "GET /page HTTP/1.1\r\n\r\n", loopback(34));
        QVERIFY(page);

        tunnel->write("ping");
        QTRY_VERIFY(tunnelled.contains("ping"));
        const qsizetype seen = events.size();
        QTRY_VERIFY(events.size() > seen);
        upload->write(body.sliced(1000));
        const QByteArray told = QByteArray::number(body.size()) + ' ' +
                                QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex();
        const QByteArray answer = readUntilClosed(*upload);
        QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n") && answer.endsWith(told), answer.constData());
    }

    // Among the addresses that hold the most, the answer that has waited
    // longest for its device gives way first (here any wait will do).
    void theLongestStalledGivesWayFirst()
    {
        const ProxyRig rig(m_server->origin(), floodLimits(4, 0ms));
        TcpTable table;
        Flood flood;
        for (const int address : {2, 3, 3, 2}) {
            // Each stalls once the one before has for good.
            QVERIFY(addStalled(flood, rig, loopback(address)));
            QVERIFY(QTest::qWaitFor([&] { return stalledOn(table, rig.port, flood.back()->port()); }));
        }

        QVERIFY(servedWhenThereIsRoom(rig, "GET /page HTTP/1.1\r\n\r\n", loopback(4)));
        QVERIFY(QTest::qWaitFor([&] { return flood.front()->closedByProxy(); }));
    }

    // When the proxy is full, a device that reads its answer slowly, taking
    // some every fifth of the stall time, keeps its place; one that takes
    // nothing for the stall time gives way to a newcomer, soon enough for
    // the slow answer to be still on its way. Later newcomers wait for it to
    // be sent.
    void aSlowReaderKeepsItsPlaceWhereAStalledOneGivesWay()
    {
        const std::chrono::milliseconds stallTime = DevicePreviewProxyLimits{}.stallTime;
        const ProxyRig rig(m_server->origin(), floodLimits(2, stallTime));
        Flood stalled;
        QVERIFY(addStalled(stalled, rig, loopback(2)));
        const SlowReader reader(rig.port, loopback(2), kLargePage, stallTime / 5);
        // Both places are taken.
        QVERIFY(QTest::qWaitFor([&] { return !reader.received().isEmpty(); }));

        const auto newcomer = servedWhenThereIsRoom(rig, "GET /events/20 HTTP/1.1\r\n\r\n", loopback(3));
        QVERIFY(newcomer);
        QVERIFY(QTest::qWaitFor([&] { return stalled.front()->closedByProxy(); }));
        // Not all of the slow answer is sent yet, so it could not have given
        // way as an answered one either.
        const std::optional<TcpEnd> toReader = tcpEnd(rig.port, loopback(2), reader.port());
        QVERIFY(toReader);
        QCOMPARE(toReader->state, TcpEnd::kEstablished);

        // The next newcomer is turned away until all of it is sent.
        std::unique_ptr<QTcpSocket> later;
        QVERIFY(QTest::qWaitFor(
            [&] { return (later = served(rig, "GET /page HTTP/1.1\r\n\r\n", loopback(4))) != nullptr; },
            60000));
        QVERIFY(QTest::qWaitFor([&] { return reader.ended(); }, 30000));
        const QByteArray answer = reader.received();
        const qsizetype headEnd = answer.indexOf("\r\n\r\n") + 4;
        QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.left(200).constData());
        const QByteArray page = LoopbackHttpServer::largePage(m_server->origin().toUtf8(), 2097152)
                                    .replace(m_server->origin().toUtf8(), rig.lanOrigin.toUtf8());
        QVERIFY2(dechunked(QByteArrayView(answer).sliced(headEnd)) == page,
                 qPrintable(u"the slow reader got %1 bytes"_s.arg(answer.size())));
    }

    // An answer that has waited for its device only a little while keeps its place.
    void anAnswerStalledBrieflyKeepsItsPlace()
    {
        const ProxyRig rig(m_server->origin(), floodLimits(4, 60s));
        Flood flood;
        for (int i = 0; i < 4; ++i)
            QVERIFY(addStalled(flood, rig, loopback(2 + i / 2)));
        QCOMPARE(readUntilClosed(*rig.connect("GET /page HTTP/1.1\r\n\r\n", loopback(4))), QByteArray());
        QCOMPARE(closedByProxy(flood, 0, int(flood.size())), 0);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewFloodTest)
#include "DevicePreviewFloodTest.moc"
