#include "ChunkedBody.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"
#include "support/TcpEnds.h"

#include <QPointer>
#include <QTest>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// The state of an end that has ended its sending side while bytes are still on their way.
constexpr int kFinWait1 = 0x04;

const QByteArray kStreamRequest = "GET /stream HTTP/1.1\r\nAccept: text/event-stream\r\n\r\n";
const QByteArray kStreamHead = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n\r\ndata: one\n\n";

// A device on a plain socket at 127.0.0.1, whose small receive buffer soon
// holds the proxy's answer back, and which reads only when told.
class RawDevice {
public:
    RawDevice(quint16 port, const QByteArray &request)
        : m_port(port), m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        const int bufferBytes = 4096;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
        // A proxy that never ends the connection fails the test instead of holding it.
        const timeval wait{20, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        ::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length);
        m_localPort = ntohs(address.sin_port);
        ::send(m_fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL);
    }
    ~RawDevice() { ::close(m_fd); }
    RawDevice(const RawDevice &) = delete;
    RawDevice &operator=(const RawDevice &) = delete;

    // The proxy's end of the connection.
    std::optional<TcpEnd> proxyEnd() const { return tcpEnd(m_port, QHostAddress::LocalHost, m_localPort); }
    // True once the proxy has closed its end: reset, or ending its stream
    // after what it had sent.
    bool closedByProxy() const
    {
        const std::optional<TcpEnd> end = proxyEnd();
        return !end || end->state != TcpEnd::kEstablished;
    }
    // What arrives until the connection ends, and 0 when it ended with an
    // end of stream, or the error that ended it.
    std::pair<QByteArray, int> readToTheEnd() const
    {
        QByteArray received;
        char buffer[65536];
        while (true) {
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                return {received, got == 0 ? 0 : errno};
            received.append(buffer, got);
        }
    }

private:
    quint16 m_port;
    int m_fd;
    quint16 m_localPort = 0;
};

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
// stream lets it go, and a device cut off before its answer is whole is told so.
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

    void aDeviceCutOffMidAnswerSeesAReset_data()
    {
        QTest::addColumn<QString>("cut");
        QTest::newRow("idle limit") << u"idle"_s;
        QTest::newRow("giving way to another device") << u"giving way"_s;
        QTest::newRow("proxy stopped") << u"stop"_s;
    }

    // A device that does not read chunked coding gets a long rewritten page
    // ended by the close. Cut off before the end, it sees a reset, not an
    // end of stream that would make what it got look whole.
    void aDeviceCutOffMidAnswerSeesAReset()
    {
        QFETCH(QString, cut);
        const std::unique_ptr<LoopbackHttpServer> devServer = LoopbackHttpServer::listeningDevServer();
        QVERIFY(devServer);
        DevicePreviewProxyLimits limits = untimedLimits();
        if (cut == u"idle")
            limits.idleTimeout = 300ms;
        limits.maxConnections = 1;
        limits.stallTime = 1ms;
        const ProxyRig rig(devServer->origin(), limits);
        const qint64 pageBytes = 2'000'000;
        const RawDevice device(rig.port, "GET /large/" + QByteArray::number(pageBytes) + " HTTP/1.0\r\n\r\n");
        if (cut != u"idle") {
            // The device's window is shut, the answer far from whole.
            QTRY_VERIFY([&] {
                const std::optional<TcpEnd> end = device.proxyEnd();
                return end && end->timer == TcpEnd::kWindowProbeTimer;
            }());
        }
        if (cut == u"giving way")
            QTRY_VERIFY(letIn(rig, *devServer, QHostAddress(u"127.0.0.2"_s), 1));
        else if (cut == u"stop")
            rig.proxy->stop();
        QVERIFY(QTest::qWaitFor([&] { return device.closedByProxy(); }, 10000));
        const auto [received, error] = device.readToTheEnd();
        QVERIFY2(received.startsWith("HTTP/1.1 200 OK\r\n") && !received.contains("Content-Length"),
                 received.left(200).constData());
        QVERIFY(received.size() < pageBytes);
        QCOMPARE(error, ECONNRESET);
    }

    void anAnsweredDeviceGetsItsWholeAnswer_data()
    {
        QTest::addColumn<QString>("cut");
        QTest::newRow("giving way to another device") << u"giving way"_s;
        QTest::newRow("proxy stopped") << u"stop"_s;
    }

    // A connection whose whole answer was handed to the system, part of it
    // still held there for the device, closes plainly when it gives way or
    // the proxy stops: the device reads it all, then the end.
    void anAnsweredDeviceGetsItsWholeAnswer()
    {
        QFETCH(QString, cut);
        const std::unique_ptr<LoopbackHttpServer> devServer = LoopbackHttpServer::listeningDevServer();
        QVERIFY(devServer);
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.maxConnections = 1;
        limits.lingerTime = 60s;
        const ProxyRig rig(devServer->origin(), limits);
        const qint64 pageBytes = 40'000;
        const RawDevice device(rig.port, "GET /large/" + QByteArray::number(pageBytes) + " HTTP/1.0\r\n\r\n");
        QTRY_VERIFY([&] {
            const std::optional<TcpEnd> end = device.proxyEnd();
            return end && end->state == kFinWait1 && end->unacknowledged > 0;
        }());
        if (cut == u"giving way")
            QTRY_VERIFY(letIn(rig, *devServer, QHostAddress(u"127.0.0.2"_s), 1));
        else
            rig.proxy->stop();
        const auto [received, error] = device.readToTheEnd();
        QCOMPARE(error, 0);
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        QVERIFY(headEnd > 0);
        const QByteArray origin = devServer->origin().toUtf8();
        QCOMPARE(received.sliced(headEnd + 4),
                 LoopbackHttpServer::largePage(origin, pageBytes).replace(origin, rig.lanOrigin.toUtf8()));
    }
};

QTEST_GUILESS_MAIN(DevicePreviewEndingTest)
#include "DevicePreviewEndingTest.moc"
