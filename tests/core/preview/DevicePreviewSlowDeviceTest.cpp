#include "ChunkedBody.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"
#include "support/TcpEnds.h"

#include <QElapsedTimer>
#include <QTest>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// A device whose system and Qt buffers hold little: what it leaves unread
// soon holds the proxy back.
std::unique_ptr<QTcpSocket> narrowDevice(quint16 port, const QByteArray &request, qint64 readBufferBytes)
{
    auto device = std::make_unique<QTcpSocket>();
    QTcpSocket *raw = device.get();
    QObject::connect(raw, &QTcpSocket::connected, raw, [raw, request] { raw->write(request); });
    device->bind(QHostAddress::LocalHost);
    device->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 * 1024);
    device->setReadBufferSize(readBufferBytes);
    device->connectToHost(QHostAddress::LocalHost, port);
    return device;
}

// The body of a chunked answer read until the proxy closed, or none when it was cut.
std::optional<QByteArray> chunkedBody(const QByteArray &received)
{
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return std::nullopt;
    return dechunked(QByteArrayView(received).sliced(headEnd + 4));
}

} // namespace

// Answers to devices that read slowly, and what the proxy holds for them.
class DevicePreviewSlowDeviceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
    }

    // A device that reads slowly, with a small window and a pause longer
    // than the dev server may stay silent, gets the whole page however long
    // that takes: the time the proxy waits for the device is not the dev
    // server's. The pause comes while most of the page is still to come, so
    // the proxy is held back through it.
    void aSlowReaderGetsTheWholePage()
    {
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.upstreamTimeout = 2s;
        limits.collectBytes = 64 * 1024;
        const ProxyRig rig(m_server->origin(), limits);
        const qint64 pageBytes = 12 * 1024 * 1024;
        const QByteArray page = LoopbackHttpServer::largePage(m_server->origin().toUtf8(), pageBytes);
        QTcpSocket device;
        device.bind(QHostAddress::LocalHost);
        device.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 16 * 1024);
        device.setReadBufferSize(64 * 1024);
        connect(&device, &QTcpSocket::connected, this, [&device, pageBytes] {
            device.write("GET /large/" + QByteArray::number(pageBytes) + " HTTP/1.1\r\n\r\n");
        });
        device.connectToHost(QHostAddress::LocalHost, rig.port);
        QByteArray received;
        // Reading the first megabyte, then a pause half as long again as the
        // dev server's limit, then the rest.
        const qint64 pauseMs = 3 * limits.upstreamTimeout.count() / 2;
        QElapsedTimer pause;
        QTimer reader;
        connect(&reader, &QTimer::timeout, this, [&] {
            if (received.size() >= 1024 * 1024 && !pause.isValid())
                pause.start();
            if (!pause.isValid() || pause.elapsed() > pauseMs)
                received += device.read(64 * 1024);
        });
        reader.start(10);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return device.state() == QAbstractSocket::UnconnectedState && device.bytesAvailable() == 0;
            },
            60000));
        reader.stop();
        QVERIFY(pause.isValid());
        QCOMPARE(chunkedBody(received),
                 QByteArray(page).replace(m_server->origin().toUtf8(), rig.lanOrigin.toUtf8()));
    }

    // A device that keeps reading is not idle, however far behind the dev
    // server it stays: each byte it takes counts, not only the moments when
    // the proxy has nothing more for it.
    void aDeviceThatReadsOnFarBehindIsNotIdle()
    {
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.idleTimeout = 2s;
        const ProxyRig rig(m_server->origin(), limits);
        const qint64 pageBytes = 8 * 1024 * 1024;
        const auto device =
            narrowDevice(rig.port, "GET /large/" + QByteArray::number(pageBytes) + " HTTP/1.1\r\n\r\n", 4096);
        // 4 KiB every 10 ms for two and a half idle times, then the rest as it comes.
        QByteArray received;
        qsizetype receivedSlowly = -1;
        QElapsedTimer clock;
        clock.start();
        QTimer reader;
        connect(&reader, &QTimer::timeout, this, [&] {
            if (receivedSlowly < 0 && clock.elapsed() > 5 * limits.idleTimeout.count() / 2) {
                receivedSlowly = received.size();
                device->setReadBufferSize(0);
            }
            received += device->readAll();
        });
        reader.start(10);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return device->state() == QAbstractSocket::UnconnectedState && device->bytesAvailable() == 0;
            },
            60000));
        reader.stop();
        QVERIFY2(receivedSlowly < pageBytes / 2, QByteArray::number(receivedSlowly).constData());
        const QByteArray page = LoopbackHttpServer::largePage(m_server->origin().toUtf8(), pageBytes);
        QCOMPARE(chunkedBody(received),
                 QByteArray(page).replace(m_server->origin().toUtf8(), rig.lanOrigin.toUtf8()));
    }

    // The dev server is timed from when the device lets the proxy read again,
    // also when the dev server had sent nothing more meanwhile: the time the
    // device held the proxy back is not the dev server's.
    void theDevServerIsTimedFromWhenReadingResumes()
    {
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.upstreamTimeout = 2s;
        // The first half of the answer is collected, then sent at once: the
        // proxy has read all of it when the device holds it back.
        limits.collectBytes = 512 * 1024;
        const ProxyRig rig(m_server->origin(), limits);
        const qint64 half = limits.collectBytes + 1;
        // The device reads nothing for 3 s, longer than the dev server may
        // stay silent; the dev server sends its second half 0.5 s later.
        const auto device =
            narrowDevice(rig.port, "GET /pause/" + QByteArray::number(half) + "/3500 HTTP/1.1\r\n\r\n", 1024);
        QTest::qWait(3000); // the device's own pause
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        device->setReadBufferSize(0);
        received += device->readAll();
        QVERIFY(QTest::qWaitFor([&] { return device->state() == QAbstractSocket::UnconnectedState; }, 30000));
        received += device->readAll();
        QCOMPARE(chunkedBody(received), QByteArray(2 * half, 'x'));
    }

    // Answers held whole to be sent with their length share one budget: while
    // one holds it, another is sent as it comes, in chunks; once it is given
    // back, the next is held whole again.
    void heldAnswersShareOneBudget()
    {
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.heldBytes = 1000;
        // Until the dev server's time is up, the holding answer keeps the budget.
        limits.upstreamTimeout = 3s;
        const ProxyRig rig(m_server->origin(), limits);
        // Announces 1000 bytes and sends 10: its answer holds the whole budget.
        const auto holding = rig.connect("GET /trickle HTTP/1.1\r\n\r\n");
        QTRY_COMPARE(m_server->requests().size(), 1);
        const QList<QTcpSocket *> served = m_server->findChildren<QTcpSocket *>();
        QCOMPARE(served.size(), 1);
        QTRY_VERIFY(peerHasReadAll(*served.first()));
        const QByteArray streamed = rig.exchange("GET /page HTTP/1.1\r\n\r\n");
        QVERIFY2(streamed.contains("\r\nTransfer-Encoding: chunked\r\n"), streamed.constData());
        QVERIFY(
            QTest::qWaitFor([&] { return holding->state() == QAbstractSocket::UnconnectedState; }, 30000));
        const QByteArray whole = rig.exchange("GET /page HTTP/1.1\r\n\r\n");
        QVERIFY2(whole.contains("\r\nContent-Length: ") && !whole.contains("chunked"), whole.constData());
    }
};

QTEST_GUILESS_MAIN(DevicePreviewSlowDeviceTest)
#include "DevicePreviewSlowDeviceTest.moc"
