#include "ChunkedBody.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"
#include "support/TcpEnds.h"

#include <QPointer>
#include <QTest>
#include <sys/socket.h>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kStreamRequest = "GET /stream HTTP/1.1\r\nAccept: text/event-stream\r\n\r\n";
const QByteArray kStreamHead = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n\r\ndata: one\n\n";

// The dev server's side of its connection n (counted from 0), if still open.
QTcpSocket *servedConnection(const LoopbackHttpServer &server, int n)
{
    for (QTcpSocket *socket : server.findChildren<QTcpSocket *>()) {
        if (socket->property("connection").toInt() == n)
            return socket;
    }
    return nullptr;
}

// True when a device at the address is let in and its request reaches the
// dev server as request n (counted from 0); false when the proxy turns it away.
bool letIn(const ProxyRig &rig, const LoopbackHttpServer &server, const QHostAddress &from, int n)
{
    const auto device = rig.connect("GET /page HTTP/1.1\r\n\r\n", from);
    return QTest::qWaitFor(
               [&] {
                   return server.requests().size() > n ||
                          device->state() == QAbstractSocket::UnconnectedState;
               },
               10000) &&
           server.requests().size() > n;
}

} // namespace

// How the proxy ends a device's connection: a device gone from an event
// stream lets it go.
class DevicePreviewEndingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;

private Q_SLOTS:
    void init()
    {
        // Says nothing unless the test writes for it.
        m_server = std::make_unique<LoopbackHttpServer>(QHostAddress::LocalHost, QList<int>{200},
                                                        LoopbackHttpServer::Behaviour::neverAnswer);
        QVERIFY(m_server->listen());
    }

    void aDeviceThatLeavesAQuietEventStreamLetsItGo_data()
    {
        QTest::addColumn<bool>("headFirst");
        QTest::addColumn<bool>("closes");
        // As a browser does on EventSource.close() or when it leaves the page.
        QTest::newRow("closed after the head") << true << true;
        QTest::newRow("side ended after the head") << true << false;
        QTest::newRow("closed before the head") << false << true;
        QTest::newRow("side ended before the head") << false << false;
    }

    // A device that ends its side of an event stream that the dev server
    // keeps quiet has gone: the dev server's connection is let go, and the
    // device's place is free for its next request.
    void aDeviceThatLeavesAQuietEventStreamLetsItGo()
    {
        QFETCH(bool, headFirst);
        QFETCH(bool, closes);
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.maxConnectionsPerAddress = 1;
        const ProxyRig rig(m_server->origin(), limits);
        const auto device = rig.connect(kStreamRequest);
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        QTRY_COMPARE(m_server->requests().size(), 1);
        const QPointer served = servedConnection(*m_server, 0);
        QVERIFY(served);
        if (headFirst) {
            served->write(kStreamHead);
            QTRY_VERIFY(received.endsWith("data: one\n\n"));
        }
        const quint16 devicePort = device->localPort();
        if (closes)
            device->disconnectFromHost();
        else
            ::shutdown(static_cast<int>(device->socketDescriptor()), SHUT_WR);
        if (!headFirst) {
            // The proxy has read the end before the dev server answers.
            QTRY_VERIFY([&] {
                const std::optional<TcpEnd> end = tcpEnd(rig.port, QHostAddress::LocalHost, devicePort);
                return end && end->state == TcpEnd::kCloseWait && end->unread == 0;
            }());
            served->write(kStreamHead);
        }
        QTRY_VERIFY(!served);
        QTRY_VERIFY(!tcpEnd(rig.port, QHostAddress::LocalHost, devicePort));
        QTRY_VERIFY(letIn(rig, *m_server, QHostAddress::LocalHost, 1));
    }

    // A device that leaves its stream takes no other device's stream with it.
    void aDeviceThatKeepsReadingKeepsItsStream()
    {
        const ProxyRig rig(m_server->origin(), untimedLimits());
        const auto reader = rig.connect(kStreamRequest);
        QByteArray read;
        connect(reader.get(), &QTcpSocket::readyRead, this, [&] { read += reader->readAll(); });
        QTRY_COMPARE(m_server->requests().size(), 1);
        const QPointer readerServed = servedConnection(*m_server, 0);
        readerServed->write(kStreamHead);
        QTRY_VERIFY(read.endsWith("data: one\n\n"));

        const auto leaver = rig.connect(kStreamRequest);
        QByteArray left;
        connect(leaver.get(), &QTcpSocket::readyRead, this, [&] { left += leaver->readAll(); });
        QTRY_COMPARE(m_server->requests().size(), 2);
        const QPointer leaverServed = servedConnection(*m_server, 1);
        leaverServed->write(kStreamHead);
        QTRY_VERIFY(left.endsWith("data: one\n\n"));
        leaver->disconnectFromHost();
        QTRY_VERIFY(!leaverServed);

        QVERIFY(readerServed);
        readerServed->write("data: two\n\n");
        QTRY_VERIFY(read.endsWith("data: one\n\ndata: two\n\n"));
        QCOMPARE(reader->state(), QAbstractSocket::ConnectedState);
    }

    // A device that ends its side once the head of an ordinary answer has
    // gone out, its body still coming, gets all of it.
    void aDeviceThatEndedItsSideGetsAStreamedPageWhole()
    {
        const ProxyRig rig(m_server->origin(), untimedLimits());
        const auto device = rig.connect("GET /page HTTP/1.1\r\n\r\n");
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        QTRY_COMPARE(m_server->requests().size(), 1);
        const QPointer served = servedConnection(*m_server, 0);
        // Longer than the proxy collects: it streams.
        const QByteArray half(2 * untimedLimits().collectBytes, 'x');
        served->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                      QByteArray::number(2 * half.size()) + "\r\n\r\n" + half);
        QTRY_VERIFY(received.contains("\r\n\r\n"));
        ::shutdown(static_cast<int>(device->socketDescriptor()), SHUT_WR);
        QTRY_VERIFY(peerHasReadTheEnd(*device));
        served->write(half);
        QTRY_COMPARE(device->state(), QAbstractSocket::UnconnectedState);
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        QCOMPARE(dechunked(QByteArrayView(received).sliced(headEnd + 4)), half + half);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewEndingTest)
#include "DevicePreviewEndingTest.moc"
