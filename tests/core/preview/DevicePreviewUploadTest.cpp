#include "ProxyRig.h"
#include "core/preview/DevicePreviewUpstream.h"
#include "core/preview/HttpProxyRequest.h"
#include "support/LoopbackHttpServer.h"
#include "support/TcpEnds.h"
#include "support/TestCertificate.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSslSocket>
#include <QTest>
#include <QtEndian>
#include <future>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// Bytes that look like framing, so that a body read as anything but bytes shows.
QByteArray uploadBody(qsizetype size)
{
    QByteArray body(size, '\0');
    QRandomGenerator(size).fillRange(reinterpret_cast<quint32 *>(body.data()), size / 4);
    return body.replace(0, std::min<qsizetype>(size, 9),
                        QByteArray("\r\n0\r\n\r\nX:").first(std::min<qsizetype>(size, 9)));
}

QByteArray chunked(QByteArrayView body, qsizetype chunkBytes)
{
    QByteArray text;
    for (qsizetype at = 0; at < body.size(); at += chunkBytes) {
        const QByteArrayView piece = body.sliced(at, std::min(chunkBytes, body.size() - at));
        text += QByteArray::number(piece.size(), 16) + ";ext=1\r\n" + piece + "\r\n";
    }
    return text + "0\r\nX-Trailer: t\r\n\r\n";
}

// "<length> <sha256>", as the dev server's /upload tells what it got.
QByteArray digest(const QByteArray &body)
{
    return QByteArray::number(body.size()) + ' ' +
           QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex();
}

// A dev server over TLS that begins its handshake only after a while: until
// then the proxy holds whatever it has read of a request. Each request is
// answered "ok" once its body is in.
class LateTlsDevServer : public QTcpServer {
public:
    explicit LateTlsDevServer(std::chrono::milliseconds delay)
        : m_delay(delay), m_tls(selfSignedServerConfiguration())
    {
        listen(QHostAddress::LocalHost);
    }

    QString origin() const { return u"https://127.0.0.1:"_s + QString::number(serverPort()); }

    // The bytes of requests read so far.
    qsizetype received = 0;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setSslConfiguration(m_tls);
        QTimer::singleShot(m_delay, socket, [socket] { socket->startServerEncryption(); });
        auto input = std::make_shared<QByteArray>();
        connect(socket, &QSslSocket::readyRead, socket, [this, socket, input] {
            // What comes before the handshake is the handshake's own.
            if (!socket->isEncrypted())
                return;
            const QByteArray bytes = socket->readAll();
            received += bytes.size();
            *input += bytes;
            const qsizetype headEnd = input->indexOf("\r\n\r\n");
            const qsizetype at = input->toLower().indexOf("content-length: ");
            if (headEnd < 0 || at < 0)
                return;
            const qint64 length = input->sliced(at + 16).split('\r').first().toLongLong();
            if (input->size() >= headEnd + 4 + length)
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
        });
    }

private:
    std::chrono::milliseconds m_delay;
    QSslConfiguration m_tls;
};

// What a device that writes all it sends before it reads anything gets, on
// a blocking socket in a thread of its own: the answer up to a clean end, or
// a note of how it failed. A write that fails ends it: it had not begun to
// read, and has no answer. Each wait is bounded, so a proxy that stops
// reading fails the test rather than holding it.
QByteArray writtenThenRead(quint16 port, const QByteArray &bytes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    const timeval bound{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    sockaddr_in proxy{};
    proxy.sin_family = AF_INET;
    proxy.sin_port = qToBigEndian(port);
    proxy.sin_addr.s_addr = qToBigEndian(QHostAddress(QHostAddress::LocalHost).toIPv4Address());
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&proxy), sizeof proxy) != 0)
        return "[not connected]";
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t sent =
            ::send(fd, bytes.constData() + at, static_cast<size_t>(bytes.size() - at), MSG_NOSIGNAL);
        if (sent < 0)
            return errno == EAGAIN ? "[stuck writing]" : "[failed writing]";
        at += sent;
    }
    QByteArray received;
    char buffer[64 * 1024];
    ssize_t got = 0;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        received.append(buffer, got);
    if (got < 0)
        received += errno == EAGAIN ? "[stuck reading]" : "[failed reading]";
    return received;
}

// A device that sends a request and then goes on writing a little at a
// time, without reading, until a write fails or the bound is up: how long
// its writes went through, and what it could read after that.
struct WrittenOn {
    std::chrono::milliseconds writing{};
    QByteArray received;
};

WrittenOn writtenOnUnread(quint16 port, const QByteArray &request, std::chrono::milliseconds bound)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    const timeval timeLimit{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeLimit, sizeof timeLimit);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeLimit, sizeof timeLimit);
    sockaddr_in proxy{};
    proxy.sin_family = AF_INET;
    proxy.sin_port = qToBigEndian(port);
    proxy.sin_addr.s_addr = qToBigEndian(QHostAddress(QHostAddress::LocalHost).toIPv4Address());
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&proxy), sizeof proxy) != 0)
        return {{}, "[not connected]"};
    const auto start = std::chrono::steady_clock::now();
    const QByteArray piece(1024, 'u');
    if (::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) ==
        request.size()) {
        while (std::chrono::steady_clock::now() - start < bound &&
               ::send(fd, piece.constData(), static_cast<size_t>(piece.size()), MSG_NOSIGNAL) == piece.size())
            std::this_thread::sleep_for(20ms); // the device's own pace
    }
    WrittenOn result;
    result.writing =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    char buffer[64 * 1024];
    ssize_t got = 0;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        result.received.append(buffer, got);
    return result;
}

} // namespace

// A device's request body on its way to the dev server, held only as far as
// the dev server takes it.
class DevicePreviewUploadTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
    }

    void framing_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("framing");
        const QByteArray body = uploadBody(300 * 1024);
        const QByteArray shortBody = uploadBody(600);
        QTest::newRow("length") << "POST /upload HTTP/1.1\r\nContent-Length: 307200\r\n\r\n"_ba << body
                                << body << "Content-Length: 307200"_ba;
        QTest::newRow("empty with a length") << "POST /upload HTTP/1.1\r\nContent-Length: 0\r\n\r\n"_ba
                                             << QByteArray() << QByteArray() << "Content-Length: 0"_ba;
        QTest::newRow("empty chunked") << "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"_ba
                                       << "0\r\n\r\n"_ba << QByteArray() << "Content-Length: 0"_ba;
        QTest::newRow("short chunked, held for its length")
            << "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"_ba << chunked(shortBody, 100)
            << shortBody << "Content-Length: 600"_ba;
        const QByteArray heldBody = uploadBody(testLimits().collectBytes);
        QTest::newRow("chunked exactly as long as is held")
            << "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"_ba << chunked(heldBody, 100)
            << heldBody << "Content-Length: " + QByteArray::number(heldBody.size());
        const QByteArray pastHeld = uploadBody(testLimits().collectBytes + 1);
        QTest::newRow("chunked a byte longer than is held")
            << "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"_ba << chunked(pastHeld, 100)
            << pastHeld << "Transfer-Encoding: chunked"_ba;
        QTest::newRow("long chunked, in chunks")
            << "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"_ba << chunked(body, 7000) << body
            << "Transfer-Encoding: chunked"_ba;
    }

    // Whatever the device's framing, the dev server gets the bytes unchanged
    // and in order, with one framing header it can read.
    void framing()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, framing);
        const ProxyRig rig(m_server->origin(), untimedLimits());
        const QByteArray response = rig.exchange(head + sent);
        QVERIFY2(response.startsWith("HTTP/1.1 200 OK\r\n"), response.left(200).constData());
        QVERIFY(response.endsWith(digest(body)));
        QCOMPARE(m_server->requests().size(), 1);
        const LoopbackHttpServer::Request &received = m_server->requests().first();
        QCOMPARE(received.body, body);
        const QByteArray lower = received.head.toLower();
        QVERIFY2(received.head.contains(QByteArray("\r\n" + framing + "\r\n")), received.head.constData());
        QCOMPARE(lower.count("content-length") + lower.count("transfer-encoding"), 1);
    }

    void slowUploadArrivesWhole_data()
    {
        QTest::addColumn<bool>("chunks");
        QTest::newRow("length") << false;
        QTest::newRow("chunked") << true;
    }

    // 8 MiB in pieces over more than twice every time limit (head, body,
    // upstream): the upload counts as progress for as long as it keeps coming.
    // Each limit is far longer than the device's pause between two pieces.
    void slowUploadArrivesWhole()
    {
        QFETCH(bool, chunks);
        DevicePreviewProxyLimits limits = testLimits();
        limits.headTimeout = 2s;
        limits.idleTimeout = 2s;
        limits.upstreamTimeout = 2s;
        const ProxyRig rig(m_server->origin(), limits);
        const QByteArray body = uploadBody(8 * 1024 * 1024);
        const QByteArray sent = chunks ? chunked(body, 256 * 1024) : body;
        const auto device = rig.connect(chunks ? "PUT /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
                                               : "PUT /upload HTTP/1.1\r\nContent-Length: 8388608\r\n\r\n");
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        const qsizetype pieces = 32;
        const qsizetype pieceBytes = sent.size() / pieces + 1;
        QElapsedTimer clock;
        clock.start();
        for (qsizetype at = 0; at < sent.size(); at += pieceBytes) {
            QTest::qWait(150); // the device's own pace
            device->write(sent.sliced(at, std::min(pieceBytes, sent.size() - at)));
        }
        QVERIFY(clock.elapsed() > 2 * limits.idleTimeout.count());
        QVERIFY(QTest::qWaitFor([&] { return device->state() == QAbstractSocket::UnconnectedState; }, 30000));
        QVERIFY2(received.startsWith("HTTP/1.1 200 OK\r\n"), received.left(200).constData());
        QVERIFY(received.endsWith(digest(body)));
        QCOMPARE(m_server->requests().size(), 1);
    }

    // A body that stops coming is cut off after the idle time, not after
    // the head's far shorter time.
    void silentUploadIsCutOff()
    {
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.headTimeout = 300ms;
        limits.idleTimeout = 2s;
        const ProxyRig rig(m_server->origin(), limits);
        QElapsedTimer clock;
        clock.start();
        const auto silent = rig.connect("POST /upload HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
        QVERIFY(QTest::qWaitFor([&] { return silent->state() == QAbstractSocket::UnconnectedState; }, 30000));
        QVERIFY2(clock.elapsed() >= limits.idleTimeout.count(),
                 QByteArray::number(clock.elapsed()).constData());
        QVERIFY(m_server->requests().isEmpty());
    }

    // A chunked upload that passes the cap is told why, as one whose length
    // does from its head: the device, still sending, is not reset before it
    // can read the answer.
    void aChunkedUploadOverTheCapIsTold()
    {
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.lingerTime = 30s;
        const ProxyRig rig(m_server->origin(), limits);
        const QByteArray piece(1024 * 1024, 'u');
        QByteArray sent = "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"_ba;
        // Far more than the systems' buffers hold past the cap.
        for (qsizetype at = 0; at <= HttpRequestParser::kMaxBodyBytes + 24 * piece.size(); at += piece.size())
            sent += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        const auto device = rig.connect(sent + "0\r\n\r\n");
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        QVERIFY(QTest::qWaitFor(
            [&] { return received.endsWith("The request body is larger than the preview accepts"); }, 60000));
        QVERIFY2(received.startsWith("HTTP/1.1 413 Error\r\n"), received.constData());
    }

    void anEarlyAnswerReachesADeviceThatWritesFirst_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("message");
        const QByteArray tooLarge = "The request body is larger than the preview accepts";
        const QByteArray malformed = "The request is not well-formed HTTP/1.1";
        QTest::newRow("413, a length over the cap")
            << "POST /upload HTTP/1.1\r\nContent-Length: " +
                   QByteArray::number(HttpRequestParser::kMaxBodyBytes + 1) + "\r\n\r\n"
            << "413"_ba << tooLarge;
        QTest::newRow("400, a head that is not well-formed")
            << "POST /upload HTTP/1.1\r\nBad Header: x\r\nContent-Length: 16777216\r\n\r\n"_ba
            << "400"_ba << malformed;
        // A first chunk longer than is held: the dev server has begun to take the body.
        QTest::newRow("400, a chunk size that is none, after part of the body went on")
            << "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n1000\r\n" + uploadBody(4096) +
                   "\r\nnot a size\r\n"
            << "400"_ba << malformed;
    }

    // An answer given before the body is in reaches a device that writes all
    // it sends before it reads: what it still sends is read and dropped, so
    // that closing does not reset the connection under its writes.
    void anEarlyAnswerReachesADeviceThatWritesFirst()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, message);
        DevicePreviewProxyLimits limits = testLimits();
        limits.headTimeout = 10s;
        limits.idleTimeout = 10s;
        limits.upstreamTimeout = 10s;
        // However slowly a loaded machine lets the device write, it is read to its end.
        limits.lingerTime = 30s;
        const ProxyRig rig(m_server->origin(), limits);
        // Far more than the systems' buffers hold: the device is still writing when the answer comes.
        const QByteArray body(16 * 1024 * 1024, 'u');
        std::future<QByteArray> device =
            std::async(std::launch::async, writtenThenRead, rig.port, head + body);
        QVERIFY(
            QTest::qWaitFor([&device] { return device.wait_for(0s) == std::future_status::ready; }, 60000));
        QCOMPARE(device.get(), "HTTP/1.1 " + status +
                                   " Error\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                                   QByteArray::number(message.size()) + "\r\nConnection: close\r\n\r\n" +
                                   message);
    }

    // An answered device may go on sending for the whole linger time, 3 s
    // unless the proxy is told otherwise, without its connection being reset
    // under its writes; then the proxy closes it, though it still sends.
    void anAnsweredDeviceMayWriteOnForTheLingerTime()
    {
        const ProxyRig rig(m_server->origin(), DevicePreviewProxyLimits{});
        const std::chrono::milliseconds lingerTime = 3s;
        std::future<WrittenOn> device =
            std::async(std::launch::async, writtenOnUnread, rig.port,
                       "POST /upload HTTP/1.1\r\nContent-Length: 104857600\r\n\r\n"_ba, 10 * lingerTime);
        QVERIFY(
            QTest::qWaitFor([&device] { return device.wait_for(0s) == std::future_status::ready; }, 60000));
        const WrittenOn written = device.get();
        QVERIFY2(written.received.startsWith("HTTP/1.1 413 Error\r\n"), written.received.constData());
        // The linger timer may end up to a twentieth early.
        QVERIFY2(written.writing >= lingerTime * 19 / 20,
                 QByteArray::number(written.writing.count()).constData());
        QVERIFY2(written.writing < 10 * lingerTime, QByteArray::number(written.writing.count()).constData());
    }

    // A device held back while none of its bytes wait to be read is timed
    // as idle only from when the dev server takes the request again: its
    // pause after that is its own, the hold before it is not.
    void aDeviceHeldBackWithNothingUnreadIsNotIdle()
    {
        // The hold lasts twice the idle time. The device's pause after it is
        // longer than the proxy takes to check its time limits again, and
        // with a loaded machine's delays well within the idle time.
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.idleTimeout = 4s;
        LateTlsDevServer server(2 * limits.idleTimeout);
        const ProxyRig rig(server.origin(), limits);
        const QByteArray body = uploadBody(150 * 1024);
        // A head a little short of what the proxy lets wait for the dev
        // server (a large cookie, say): with the dev server's host added it
        // is more, so the device is held back as soon as its head is read,
        // with nothing of its own left to read.
        const QByteArray start =
            "POST /upload HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nCookie: c=";
        const QByteArray head =
            start + QByteArray(DevicePreviewUpstream::kMaxPendingRequestBytes - 8 - start.size() - 4, 'c') +
            "\r\n\r\n";
        const auto device = rig.connect(head);
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        QVERIFY(QTest::qWaitFor([&] { return server.received >= head.size(); }, 30000));
        QTest::qWait(1000); // the device's own pause
        device->write(body);
        QVERIFY(QTest::qWaitFor(
            [&] { return received.endsWith("ok") || device->state() == QAbstractSocket::UnconnectedState; },
            30000));
        QVERIFY2(received.endsWith("\r\n\r\nok"), received.constData());
    }

    // A dev server that takes none of an upload holds the device back through
    // the proxy instead of the proxy taking the upload in; it is then timed
    // out like one that does not answer, while the device held back is not
    // taken for an idle one.
    void aDevServerThatStopsReadingHoldsTheDeviceBack()
    {
        // Held back for four idle times before the dev server's time is up.
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.idleTimeout = 1s;
        limits.upstreamTimeout = 4s;
        const ProxyRig rig(m_server->origin(), limits);
        const qint64 uploadBytes = 64 * 1024 * 1024;
        QElapsedTimer clock;
        clock.start();
        const auto device = rig.connect("POST /stall HTTP/1.1\r\nContent-Length: 67108864\r\n\r\n" +
                                        QByteArray(uploadBytes, 'u'));
        QByteArray received;
        qint64 answeredAfter = -1;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] {
            if (answeredAfter < 0)
                answeredAfter = clock.elapsed();
            received += device->readAll();
        });
        // Once answered, the device may send on: what it sends is dropped.
        qint64 sent = 0;
        qint64 sentUnanswered = 0;
        connect(device.get(), &QTcpSocket::bytesWritten, this, [&](qint64 bytes) {
            sent += bytes;
            int arrived = 0;
            ::ioctl(static_cast<int>(device->socketDescriptor()), FIONREAD, &arrived);
            if (answeredAfter < 0 && device->bytesAvailable() == 0 && arrived == 0)
                sentUnanswered = sent;
        });
        QVERIFY(QTest::qWaitFor(
            [&] { return answeredAfter >= 0 || device->state() == QAbstractSocket::UnconnectedState; },
            30000));
        QVERIFY2(received.startsWith("HTTP/1.1 502 Error\r\nX-Devnook-Proxy-Error: timeout\r\n"),
                 received.constData());
        QVERIFY2(answeredAfter >= limits.upstreamTimeout.count(),
                 QByteArray::number(answeredAfter).constData());
        // What the kernels' buffers and the proxy hold together is far less than the upload.
        QVERIFY2(sentUnanswered < uploadBytes / 2, QByteArray::number(sentUnanswered).constData());
        QVERIFY(QTest::qWaitFor([&] { return device->state() == QAbstractSocket::UnconnectedState; }, 30000));
    }
};

QTEST_GUILESS_MAIN(DevicePreviewUploadTest)
#include "DevicePreviewUploadTest.moc"
