#include "DeviceCrowd.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"

#include <QCryptographicHash>
#include <QTest>

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

// The device from the address, answered once the proxy has room for it;
// until then it is turned away at once, and comes back.
std::unique_ptr<QTcpSocket> servedWhenThereIsRoom(const ProxyRig &rig, const QByteArray &request,
                                                  const QHostAddress &from)
{
    std::unique_ptr<QTcpSocket> device;
    const bool served = QTest::qWaitFor(
        [&] {
            device = rig.connect(request, from);
            QByteArray head;
            const auto reading = QObject::connect(device.get(), &QTcpSocket::readyRead, device.get(),
                                                  [&head, raw = device.get()] { head = raw->peek(64); });
            const bool told = QTest::qWaitFor(
                [&] { return !head.isEmpty() || device->state() == QAbstractSocket::UnconnectedState; });
            QObject::disconnect(reading);
            return told && head.startsWith("HTTP/1.1 200 OK\r\n");
        },
        20000);
    return served ? std::move(device) : nullptr;
}

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
