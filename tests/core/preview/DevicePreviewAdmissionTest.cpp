#include "DeviceCrowd.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"
#include "support/NoFreeDescriptors.h"

#include <QDir>
#include <QTest>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// Small caps, and heads that may trickle, and answered devices that may
// linger, for longer than a test lasts.
DevicePreviewProxyLimits patientLimits()
{
    DevicePreviewProxyLimits limits = testLimits();
    limits.headTimeout = 10s;
    limits.upstreamTimeout = 10s;
    limits.lingerTime = 10s;
    return limits;
}

int stillOpen(const Sockets &sockets)
{
    return static_cast<int>(std::count_if(sockets.begin(), sockets.end(), [](const auto &socket) {
        return socket->state() == QAbstractSocket::ConnectedState;
    }));
}

// How often the proxy's thread has gone to sleep, read through a file opened
// beforehand: it is read while no descriptor is free.
class ProxyThreadSleeps {
public:
    ProxyThreadSleeps()
    {
        const QDir tasks(u"/proc/self/task"_s);
        for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile name(tasks.filePath(task + u"/comm"_s));
            // The proxy's thread, by as much of its name as the system keeps.
            if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("DevicePreviewPr"))
                m_status.setFileName(tasks.filePath(task + u"/status"_s));
        }
        m_status.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    qint64 count()
    {
        m_status.seek(0);
        const QByteArray status = m_status.readAll();
        const qsizetype line = status.indexOf("\nvoluntary_ctxt_switches:");
        if (line < 0)
            return -1;
        const qsizetype value = status.indexOf(':', line) + 1;
        return status.mid(value, status.indexOf('\n', value) - value).trimmed().toLongLong();
    }

private:
    QFile m_status;
};

} // namespace

// Which device connections the proxy takes when it is full, and which it closes to make room.
class DevicePreviewAdmissionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<TcpTable> m_table;

    // Fills every slot from four addresses, their share each, with what each
    // sends; false when the proxy did not take them.
    bool fill(const ProxyRig &rig, const QByteArray &bytes, Sockets &held)
    {
        for (int i = 0; i < testLimits().maxConnections; ++i) {
            held.push_back(rig.connect(bytes, loopback(2 + i / testLimits().maxConnectionsPerAddress)));
            // The first one taken is the one whose head has been incomplete longest.
            if (i == 0 && !takenByTheProxy(rig, held))
                return false;
        }
        return takenByTheProxy(rig, held);
    }

    bool takenByTheProxy(const ProxyRig &rig, const Sockets &devices)
    {
        return QTest::qWaitFor([&] { return proxyTookThem(*m_table, rig.port, devices); });
    }

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
        m_table = std::make_unique<TcpTable>();
    }

    // Slots full of trickling heads from several addresses: one more that
    // trickles is turned away and closes none; a request that comes whole
    // closes the oldest and is answered.
    void aPromptRequestIsServedWhenTricklingHeadsFillTheProxy()
    {
        const ProxyRig rig(m_server->origin(), patientLimits());
        Sockets held;
        QVERIFY(fill(rig, "GET /page HTTP/1.1\r\nHost: x\r\n", held));
        QCOMPARE(stillOpen(held), testLimits().maxConnections);

        QCOMPARE(readUntilClosed(*rig.connect("GET /page HTTP/1.1\r\n", loopback(20))), QByteArray());
        QCOMPARE(stillOpen(held), testLimits().maxConnections);

        const QByteArray answer = readUntilClosed(*rig.connect("GET /page HTTP/1.1\r\n\r\n", loopback(21)));
        QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
        QTRY_COMPARE(held.front()->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(stillOpen(held), testLimits().maxConnections - 1);
    }

    // A device may connect first and send its whole request a moment later.
    void aRequestSentJustAfterConnectingIsPromptToo()
    {
        const ProxyRig rig(m_server->origin(), patientLimits());
        Sockets held;
        QVERIFY(fill(rig, "GET /page HTTP/1.1\r\n", held));
        const auto late = rig.connect({}, loopback(21));
        QTRY_COMPARE(late->state(), QAbstractSocket::ConnectedState);
        // Connected, and held by the system until the device's first bytes
        // come: the proxy cannot have taken it (and turned it away).
        const std::optional<TcpEnd> proxySide = tcpEnd(rig.port, late->localAddress(), late->localPort());
        QVERIFY(proxySide);
        QCOMPARE(proxySide->state, TcpEnd::kSynReceived);
        late->write("GET /page HTTP/1.1\r\n\r\n");
        const QByteArray answer = readUntilClosed(*late);
        QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
    }

    // Connections past their head (waiting for the dev server) are never closed to make room.
    void requestsBeingAnsweredKeepTheirSlots()
    {
        const ProxyRig rig(m_server->origin(), patientLimits());
        Sockets held;
        QVERIFY(fill(rig, "GET /slow HTTP/1.1\r\n\r\n", held));
        QTRY_COMPARE(m_server->requests().size(), held.size());

        QCOMPARE(readUntilClosed(*rig.connect("GET /page HTTP/1.1\r\n\r\n", loopback(20))), QByteArray());
        QCOMPARE(stillOpen(held), testLimits().maxConnections);
    }

    // Answered connections that wait for their devices to hang up give way to
    // any other device, the one answered first first; each still counts
    // against its own device's share meanwhile.
    void answeredConnectionsGiveWay()
    {
        const ProxyRig rig(m_server->origin(), patientLimits());
        const QByteArray request = "GET /page HTTP/1.1\r\n\r\n";
        std::vector<std::unique_ptr<SilentDevice>> devices;
        const auto answered = [&](const QHostAddress &from) {
            devices.push_back(std::make_unique<SilentDevice>(rig.port, from, request));
            return QTest::qWaitFor(
                [&] { return devices.back()->answer().startsWith("HTTP/1.1 200 OK\r\n"); });
        };
        for (int i = 0; i < testLimits().maxConnections; ++i)
            QVERIFY(answered(loopback(2 + i / testLimits().maxConnectionsPerAddress)));
        for (int newcomer = 20; newcomer < 22; ++newcomer)
            QVERIFY(answered(loopback(newcomer)));
        // A head that comes in two pieces is let in all the same: its first
        // piece takes the place of the device answered third.
        devices.push_back(std::make_unique<SilentDevice>(rig.port, loopback(22), "GET /page HTTP/1.1\r\n"));
        QVERIFY(QTest::qWaitFor([&] { return devices[2]->closedByProxy(); }));
        devices.back()->send("\r\n");
        QVERIFY(QTest::qWaitFor([&] { return devices.back()->answer().startsWith("HTTP/1.1 200 OK\r\n"); }));
        // Those given up were the first address's two and the second's first.
        QVERIFY(answered(loopback(3)));
        QCOMPARE(readUntilClosed(*rig.connect(request, loopback(5))), QByteArray());
    }

    // An answered device that never hangs up gives its place back once the
    // linger time is up, well before the usual three seconds.
    void anAnsweredDeviceThatNeverHangsUpGoesInTime()
    {
        DevicePreviewProxyLimits limits = patientLimits();
        limits.lingerTime = 200ms;
        const ProxyRig rig(m_server->origin(), limits);
        const QByteArray request = "GET /page HTTP/1.1\r\n\r\n";
        std::vector<std::unique_ptr<SilentDevice>> silent;
        for (int i = 0; i < testLimits().maxConnectionsPerAddress; ++i) {
            silent.push_back(std::make_unique<SilentDevice>(rig.port, loopback(9), request));
            QTRY_VERIFY(silent.back()->answer().startsWith("HTTP/1.1 200 OK\r\n"));
        }
        QVERIFY(QTest::qWaitFor(
            [&] {
                return readUntilClosed(*rig.connect(request, loopback(9))).startsWith("HTTP/1.1 200 OK\r\n");
            },
            2500));
    }

    // Tunnels count against their device's share as its connections do, so
    // a device cannot hold more of them; an IPv6 device has a share of its own.
    void tunnelsCountAgainstTheirDevice()
    {
        m_server->setUpgradeHandler([](QTcpSocket *socket) {
            socket->readAll();
            socket->write(
                "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n");
        });
        const ProxyRig rig(m_server->origin(), patientLimits());
        const QByteArray page = "GET /page HTTP/1.1\r\n\r\n";
        Sockets tunnels;
        for (const QHostAddress &device :
             {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)}) {
            for (int i = 0; i < testLimits().maxConnectionsPerAddress; ++i) {
                tunnels.push_back(rig.connect("GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\n\r\n", device));
                QTRY_VERIFY(tunnels.back()->peek(64).startsWith("HTTP/1.1 101 "));
            }
            QCOMPARE(readUntilClosed(*rig.connect(page, device)), QByteArray());
        }
        QCOMPARE(readUntilClosed(*rig.connect(page, QHostAddress::LocalHost)), QByteArray());
        QVERIFY(readUntilClosed(*rig.connect(page, loopback(8))).startsWith("HTTP/1.1 200 OK\r\n"));
        QCOMPARE(stillOpen(tunnels), 2 * testLimits().maxConnectionsPerAddress);
    }

    // A connection that could not be taken for want of descriptors is taken
    // once there are some again: the proxy does not stop listening. (The
    // proxy takes it when its request comes, while none are free.)
    void aFailedAcceptDoesNotEndListening()
    {
        const ProxyRig rig(m_server->origin(), patientLimits());
        const auto device = rig.connect({});
        QTRY_COMPARE(device->state(), QAbstractSocket::ConnectedState);
        ProxyThreadSleeps sleeps;
        {
            const NoFreeDescriptors full;
            device->write("GET /page HTTP/1.1\r\n\r\n");
            device->flush();
            // Once queued, the proxy is woken for it; asleep again, it has tried to take it.
            QVERIFY(QTest::qWaitFor([&] { return waitingToBeTaken(*m_table, rig.port) == 1; }));
            const qint64 before = sleeps.count();
            QVERIFY(before >= 0);
            QVERIFY(QTest::qWaitFor([&] { return sleeps.count() > before; }));
            QCOMPARE(waitingToBeTaken(*m_table, rig.port), 1);
        }
        const QByteArray answer = readUntilClosed(*device);
        QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
    }

    // Each connection that ends gives back one place in its address's share, no more.
    void anAddressGetsBackOnePlacePerClose()
    {
        const ProxyRig rig(m_server->origin(), patientLimits());
        const QByteArray trickle = "GET /page HTTP/1.1\r\n";
        Sockets first;
        for (int i = 0; i < testLimits().maxConnectionsPerAddress; ++i)
            first.push_back(rig.connect(trickle, loopback(3)));
        QVERIFY(takenByTheProxy(rig, first));
        const quint16 ended = first.front()->localPort();
        first.front()->abort();
        QVERIFY(QTest::qWaitFor([&] { return !holds(*m_table, rig.port, ended); }));

        Sockets next;
        for (int i = 0; i < testLimits().maxConnectionsPerAddress; ++i)
            next.push_back(rig.connect(trickle, loopback(3)));
        QVERIFY(takenByTheProxy(rig, next));
        QTRY_COMPARE(stillOpen(next), testLimits().maxConnectionsPerAddress - 1);
        QCOMPARE(first.back()->state(), QAbstractSocket::ConnectedState);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewAdmissionTest)
#include "DevicePreviewAdmissionTest.moc"
