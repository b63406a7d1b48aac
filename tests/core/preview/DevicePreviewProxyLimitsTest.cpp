#include "ChunkedBody.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"

#include <QTest>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// Limits under which a long page is rewritten as it streams.
DevicePreviewProxyLimits streamingLimits()
{
    DevicePreviewProxyLimits limits = testLimits();
    limits.headTimeout = 10s;
    limits.idleTimeout = 2s;
    // A dev server takes its time to make a long page, all the more on a busy machine.
    limits.upstreamTimeout = 60s;
    limits.collectBytes = 64 * 1024;
    return limits;
}

} // namespace

// What one device can make the proxy hold, and for how long.
class DevicePreviewProxyLimitsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;

    // What the dev server has written that no one has taken yet.
    qint64 unsentByDevServer() const
    {
        qint64 unsent = 0;
        for (const QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
            unsent += socket->bytesToWrite();
        return unsent;
    }

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
    }

    // Reading from the dev server waits for the device; a device that takes
    // nothing for the idle time is cut off, and the dev server is let go.
    void aDeviceThatStopsReadingHoldsNothing()
    {
        const ProxyRig rig(m_server->origin(), streamingLimits());
        const qint64 pageBytes = 64 * 1024 * 1024;
        const auto device = rig.connect("GET /large/" + QByteArray::number(pageBytes) + " HTTP/1.1\r\n\r\n");
        device->setReadBufferSize(1024);
        // On a busy machine the request takes a while to arrive and the page to be made.
        QVERIFY(QTest::qWaitFor([&] { return unsentByDevServer() > 0; }, 60000));
        // The proxy stops taking the page once the device is behind: until the
        // dev server is let go, most of the page stays with it. Read after each
        // write, as letting go drops whatever was left.
        QTcpSocket *toProxy = m_server->findChildren<QTcpSocket *>().constFirst();
        qint64 unsent = toProxy->bytesToWrite();
        const QObject sampling;
        connect(toProxy, &QTcpSocket::bytesWritten, &sampling,
                [&unsent, toProxy] { unsent = toProxy->bytesToWrite(); });
        QVERIFY(QTest::qWaitFor(
            [&] { return unsent <= pageBytes / 2 || m_server->findChildren<QTcpSocket *>().isEmpty(); },
            30000));
        QVERIFY2(unsent > pageBytes / 2, QByteArray::number(unsent).constData());
        // Reading again, the device finds its connection cut.
        device->setReadBufferSize(0);
        connect(device.get(), &QTcpSocket::readyRead, this, [&device] { device->readAll(); });
        device->readAll();
        QVERIFY(QTest::qWaitFor([&] { return device->state() == QAbstractSocket::UnconnectedState; }, 30000));
    }

    // A page longer than what is collected whole comes out rewritten, in chunks.
    void aLongPageIsRewrittenAsItStreams()
    {
        const ProxyRig rig(m_server->origin(), streamingLimits());
        const QByteArray page = LoopbackHttpServer::largePage(m_server->origin().toUtf8(), 1024 * 1024);
        const QByteArray response = rig.exchange("GET /large/1048576 HTTP/1.1\r\n\r\n");
        const qsizetype headEnd = response.indexOf("\r\n\r\n") + 4;
        QVERIFY(!response.first(headEnd).contains("Content-Length"));
        QVERIFY(response.first(headEnd).contains("\r\nTransfer-Encoding: chunked\r\n"));
        QCOMPARE(dechunked(QByteArrayView(response).sliced(headEnd)),
                 QByteArray(page).replace(m_server->origin().toUtf8(), rig.lanOrigin.toUtf8()));
    }

    // One address that holds its share leaves room for another.
    void oneDeviceCannotTakeEveryConnection()
    {
        DevicePreviewProxyLimits limits = testLimits();
        limits.headTimeout = 10s;
        const ProxyRig rig(m_server->origin(), limits);
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < limits.maxConnectionsPerAddress; ++i)
            held.push_back(rig.connect("GET /page HTTP/1.1\r\n"));
        for (const auto &socket : held)
            QTRY_COMPARE(socket->state(), QAbstractSocket::ConnectedState);
        QCOMPARE(rig.exchange("GET /page HTTP/1.1\r\n\r\n"), QByteArray());
        const auto other = rig.connect("GET /page HTTP/1.1\r\n\r\n", QHostAddress(u"127.0.0.2"_s));
        QByteArray received;
        connect(other.get(), &QTcpSocket::readyRead, this, [&] { received += other->readAll(); });
        QTRY_VERIFY(received.startsWith("HTTP/1.1 200 OK\r\n"));
        for (const auto &socket : held)
            QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewProxyLimitsTest)
#include "DevicePreviewProxyLimitsTest.moc"
