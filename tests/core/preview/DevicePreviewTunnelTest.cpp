#include "ProxyRig.h"
#include "support/TcpEnds.h"
#include "support/TestCertificate.h"

#include <QDir>
#include <QSslSocket>
#include <QTcpServer>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>
#include <sys/socket.h>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// A WebSocket server that sends every message back as it came.
class EchoServer : public QObject {
public:
    explicit EchoServer(QWebSocketServer::SslMode mode) : m_server(u"echo"_s, mode)
    {
        if (mode == QWebSocketServer::SecureMode)
            m_server.setSslConfiguration(selfSignedServerConfiguration());
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QWebSocketServer::newConnection, this, [this] {
            while (QWebSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                peers.append(socket);
                connect(socket, &QWebSocket::textMessageReceived, socket, &QWebSocket::sendTextMessage);
                connect(socket, &QWebSocket::binaryMessageReceived, socket, &QWebSocket::sendBinaryMessage);
            }
        });
    }

    QString origin() const
    {
        return (m_server.secureMode() == QWebSocketServer::SecureMode ? u"https://127.0.0.1:"_s
                                                                      : u"http://127.0.0.1:"_s) +
               QString::number(m_server.serverPort());
    }

    QList<QPointer<QWebSocket>> peers;

private:
    QWebSocketServer m_server;
};

// A dev server that records what one connection brings, in TLS when given a
// configuration, and whether its stream has ended. While it is not taking,
// it reads nothing, and TCP holds its peer back.
class RecordingServer : public QTcpServer {
public:
    explicit RecordingServer(QSslConfiguration tls) : m_tls(std::move(tls))
    {
        listen(QHostAddress::LocalHost);
    }

    void setTaking(bool taking)
    {
        m_taking = taking;
        for (QSslSocket *socket : findChildren<QSslSocket *>()) {
            socket->setReadBufferSize(taking ? 0 : 1);
            if (taking)
                received += socket->readAll();
        }
    }

    QByteArray received;
    bool ended = false;
    // True once a connection is up: taken, and its handshake done over TLS.
    bool up = false;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QSslSocket::readyRead, this, [this, socket] {
            if (m_taking)
                received += socket->readAll();
        });
        connect(socket, &QSslSocket::readChannelFinished, this, [this, socket] {
            received += socket->readAll();
            ended = true;
        });
        // A TLS server stops taking once its handshake is done.
        if (!m_tls.isNull()) {
            connect(socket, &QSslSocket::encrypted, this, [this, socket] {
                if (!m_taking)
                    socket->setReadBufferSize(1);
                up = true;
            });
            socket->setSslConfiguration(m_tls);
            socket->startServerEncryption();
            return;
        }
        if (!m_taking)
            socket->setReadBufferSize(1);
        up = true;
    }

private:
    QSslConfiguration m_tls;
    bool m_taking = true;
};

// A dev server that takes nothing of what a tunnel sends it, and a proxy to it.
struct StalledDevServer {
    explicit StalledDevServer(bool secure)
        : upstream(secure ? selfSignedServerConfiguration() : QSslConfiguration()),
          rig((secure ? u"https://localhost:"_s : u"http://localhost:"_s) +
                  QString::number(upstream.serverPort()),
              untimedLimits())
    {
        upstream.setTaking(false);
    }

    RecordingServer upstream;
    ProxyRig rig;
};

// True while every thread of the proxy (its own and the relay's) waits in
// the system for one of its sockets to be ready.
bool proxyThreadsWait()
{
    const QDir tasks(u"/proc/self/task"_s);
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + u"/comm"_s));
        QFile waitsIn(tasks.filePath(task + u"/wchan"_s));
        if (!name.open(QIODevice::ReadOnly))
            continue; // ended meanwhile
        // The proxy's thread, by as much of its name as the system keeps, and the relay's.
        const QByteArray thread = name.readAll().trimmed();
        if (thread != "DevicePreviewPr" && thread != "PreviewRelay")
            continue;
        if (!waitsIn.open(QIODevice::ReadOnly) || !waitsIn.readAll().contains("poll"))
            return false;
    }
    return true;
}

// True once the proxy has stopped taking the device's bytes: they wait at
// the proxy's side while each of its threads waits for a socket that is
// ready, and are still there after.
bool proxyTakesNoMoreFrom(const QAbstractSocket &device)
{
    const std::optional<TcpEnd> before = peerEnd(device);
    if (!before || before->unread == 0 || !proxyThreadsWait())
        return false;
    const std::optional<TcpEnd> after = peerEnd(device);
    return after && after->unread == before->unread;
}

// A device's WebSocket to the proxy, opened.
std::unique_ptr<QWebSocket> openedSocket(const ProxyRig &rig)
{
    auto socket = std::make_unique<QWebSocket>();
    QSignalSpy connected(socket.get(), &QWebSocket::connected);
    socket->open(QUrl(u"ws://127.0.0.1:"_s + QString::number(rig.port) + u"/hmr"_s));
    connected.wait(20000);
    return socket;
}

} // namespace

class DevicePreviewTunnelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messagesPassBothWays_data()
    {
        QTest::addColumn<bool>("secure");
        QTest::newRow("plain dev server") << false;
        // The dev server's own certificate is accepted.
        QTest::newRow("https dev server") << true;
    }

    void messagesPassBothWays()
    {
        QFETCH(bool, secure);
        EchoServer server(secure ? QWebSocketServer::SecureMode : QWebSocketServer::NonSecureMode);
        const ProxyRig rig(server.origin(), untimedLimits());
        const auto socket = openedSocket(rig);
        QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);

        QSignalSpy texts(socket.get(), &QWebSocket::textMessageReceived);
        QSignalSpy binaries(socket.get(), &QWebSocket::binaryMessageReceived);
        QSignalSpy pongs(socket.get(), &QWebSocket::pong);
        socket->sendTextMessage(u"reload"_s);
        QVERIFY(texts.wait(20000));
        QCOMPARE(texts.first().first().toString(), u"reload"_s);

        const QByteArray large = QByteArray(1024 * 1024, 'x') + QByteArray("\x00\xff", 2);
        socket->setOutgoingFrameSize(1000); // fragmented
        socket->sendBinaryMessage(large);
        QVERIFY(QTest::qWaitFor([&] { return !binaries.isEmpty(); }, 30000));
        QCOMPARE(binaries.size(), 1);
        QCOMPARE(binaries.first().first().toByteArray(), large);

        socket->ping("p");
        QVERIFY(pongs.wait(20000));
        QCOMPARE(pongs.first().at(1).toByteArray(), "p"_ba);
    }

    void firstFrameWithTheHead()
    {
        // A bare TCP server shows the exact bytes the dev server gets.
        QTcpServer upstream;
        QVERIFY(upstream.listen(QHostAddress::LocalHost));
        QByteArray replayed;
        connect(&upstream, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *socket = upstream.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this,
                    [&replayed, socket] { replayed += socket->readAll(); });
        });
        const ProxyRig rig(u"http://localhost:"_s + QString::number(upstream.serverPort()), untimedLimits());
        const QByteArray frame = "\x81\x82\x01\x02\x03\x04\x69\x6b"_ba;
        const auto device = rig.connect("GET /hmr?t=1 HTTP/1.1\r\nhost: 192.168.1.5\r\nUpgrade: websocket\r\n"
                                        "Content-Length: 2\r\n\r\nxy"_ba +
                                        frame);
        const QByteArray expected = "GET /hmr?t=1 HTTP/1.1\r\nHost: localhost:"_ba +
                                    QByteArray::number(upstream.serverPort()) +
                                    "\r\nUpgrade: websocket\r\n\r\n" + frame;
        QTRY_COMPARE(replayed, expected);
    }

    void aDeviceThatEndsItsSideReachesTheDevServer_data()
    {
        QTest::addColumn<bool>("secure");
        QTest::addColumn<qsizetype>("frameBytes");
        for (const bool secure : {false, true}) {
            const char *server = secure ? "https dev server" : "plain dev server";
            QTest::addRow("%s, 100 bytes", server) << secure << qsizetype(100);
            // More than is read from the device at a time.
            QTest::addRow("%s, 70 KB", server) << secure << qsizetype(70 * 1000);
        }
    }

    // An upgrade sent with its first frames and at once the end of the
    // device's stream: the dev server gets all of it, then the end.
    void aDeviceThatEndsItsSideReachesTheDevServer()
    {
        QFETCH(bool, secure);
        QFETCH(qsizetype, frameBytes);
        RecordingServer upstream(secure ? selfSignedServerConfiguration() : QSslConfiguration());
        QVERIFY(upstream.isListening());
        const ProxyRig rig((secure ? u"https://localhost:"_s : u"http://localhost:"_s) +
                               QString::number(upstream.serverPort()),
                           untimedLimits());
        QByteArray frames(frameBytes, '\0');
        for (qsizetype i = 0; i < frames.size(); ++i)
            frames[i] = static_cast<char>(i % 251);
        const auto device = rig.connect("GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\n\r\n" + frames);
        endSendingOnceSent(*device);
        const QByteArray expected = "GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\nHost: localhost:" +
                                    QByteArray::number(upstream.serverPort()) + "\r\n\r\n" + frames;
        QVERIFY(QTest::qWaitFor([&] { return upstream.ended; }, 30000));
        QCOMPARE(upstream.received.size(), expected.size());
        QVERIFY(upstream.received == expected);
    }

    // A side that takes nothing for a while holds the other back; then every
    // byte arrives, in order.
    void aSlowSideGetsEveryByte()
    {
        QTcpServer upstream;
        QVERIFY(upstream.listen(QHostAddress::LocalHost));
        QPointer<QTcpSocket> accepted;
        connect(&upstream, &QTcpServer::newConnection, this, [&] {
            accepted = upstream.nextPendingConnection();
            accepted->setReadBufferSize(1); // takes almost nothing until told
        });
        const ProxyRig rig(u"http://localhost:"_s + QString::number(upstream.serverPort()), untimedLimits());
        QByteArray pattern;
        for (int i = 0; i < 251; ++i)
            pattern += static_cast<char>(i);
        const QByteArray body = pattern.repeated(32 * 1024 * 1024 / pattern.size());
        const auto device = rig.connect("GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\n\r\n" + body);
        QTRY_VERIFY(accepted);
        QVERIFY(QTest::qWaitFor([&] { return proxyTakesNoMoreFrom(*device); }, 30000));
        QByteArray received;
        accepted->setReadBufferSize(0);
        connect(accepted, &QTcpSocket::readyRead, this, [&] { received += accepted->readAll(); });
        received += accepted->readAll();
        const QByteArray expected = "GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\nHost: localhost:" +
                                    QByteArray::number(upstream.serverPort()) + "\r\n\r\n" + body;
        QVERIFY(QTest::qWaitFor([&] { return received.size() >= expected.size(); }, 60000));
        QVERIFY(received == expected);
    }

    void aDevServerThatTakesNothingHoldsTheDeviceBack_data()
    {
        QTest::addColumn<bool>("secure");
        QTest::newRow("plain dev server") << false;
        QTest::newRow("https dev server") << true;
    }

    // A dev server that takes nothing holds the device back through the
    // tunnel, which does not take the device's bytes in meanwhile; once it
    // takes them, every byte arrives, in order.
    void aDevServerThatTakesNothingHoldsTheDeviceBack()
    {
        QFETCH(bool, secure);
        StalledDevServer stalled(secure);
        RecordingServer &upstream = stalled.upstream;
        const ProxyRig &rig = stalled.rig;
        QVERIFY(upstream.isListening());
        const QByteArray frames = QByteArray(64 * 1024 * 1024, 'x') + "end";
        const QByteArray request = "GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\n\r\n" + frames;
        const auto device = rig.connect(request);
        qint64 sent = 0;
        connect(device.get(), &QTcpSocket::bytesWritten, this, [&](qint64 bytes) { sent += bytes; });
        // Once the dev server is reached, it lets nothing more through.
        QVERIFY(QTest::qWaitFor([&] { return upstream.up; }, 30000));
        QVERIFY(QTest::qWaitFor([&] { return proxyTakesNoMoreFrom(*device); }, 30000));
        // What the systems' buffers and the tunnel hold together is far less than the device would send.
        QVERIFY2(sent < frames.size() / 2, QByteArray::number(sent).constData());
        upstream.setTaking(true);
        const QByteArray expected = "GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\nHost: localhost:" +
                                    QByteArray::number(upstream.serverPort()) + "\r\n\r\n" + frames;
        QVERIFY(QTest::qWaitFor([&] { return upstream.received.size() >= expected.size(); }, 60000));
        QVERIFY(upstream.received == expected);
    }

    // A device that resets while the dev server takes nothing ends the
    // tunnel: nothing is left waiting on a dev server that may never read.
    void aDeviceThatResetsEndsAStalledTunnel()
    {
        QFETCH(bool, secure);
        StalledDevServer stalled(secure);
        RecordingServer &upstream = stalled.upstream;
        const ProxyRig &rig = stalled.rig;
        QVERIFY(upstream.isListening());
        const auto device =
            rig.connect("GET /hmr HTTP/1.1\r\nUpgrade: websocket\r\n\r\n" + QByteArray(8 * 1024 * 1024, 'x'));
        // The proxy's connection to the dev server, while it is open.
        const auto toDevServer = [&upstream]() -> std::optional<TcpEnd> {
            for (const TcpEnd &end : TcpTable().ends()) {
                if (end.remotePort == upstream.serverPort() && end.state == TcpEnd::kEstablished)
                    return end;
            }
            return std::nullopt;
        };
        QVERIFY(QTest::qWaitFor([&] { return toDevServer() && toDevServer()->unacknowledged > 0; }, 30000));
        const linger reset{1, 0};
        ::setsockopt(static_cast<int>(device->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                     sizeof reset);
        device->abort();
        QVERIFY(QTest::qWaitFor([&] { return !toDevServer(); }, 30000));
    }

    void aDeviceThatResetsEndsAStalledTunnel_data() { aDevServerThatTakesNothingHoldsTheDeviceBack_data(); }

    void closingEitherSideClosesBoth()
    {
        EchoServer server(QWebSocketServer::NonSecureMode);
        ProxyRig rig(server.origin(), DevicePreviewProxyLimits{});
        const auto byDevice = openedSocket(rig);
        QTRY_COMPARE(server.peers.size(), 1);
        byDevice->abort(); // no close frame: only the tunnel can tell the server
        QTRY_VERIFY(!server.peers[0] || server.peers[0]->state() == QAbstractSocket::UnconnectedState);

        const auto byServer = openedSocket(rig);
        QTRY_COMPARE(server.peers.size(), 2);
        server.peers[1]->abort();
        QTRY_COMPARE(byServer->state(), QAbstractSocket::UnconnectedState);

        // Switching the preview off closes open tunnels too.
        const auto byStop = openedSocket(rig);
        QCOMPARE(byStop->state(), QAbstractSocket::ConnectedState);
        rig.proxy->stop();
        QTRY_COMPARE(byStop->state(), QAbstractSocket::UnconnectedState);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewTunnelTest)
#include "DevicePreviewTunnelTest.moc"
