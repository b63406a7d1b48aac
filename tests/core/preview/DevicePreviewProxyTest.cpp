#include "DeviceCrowd.h"
#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"
#include "support/TcpEnds.h"
#include "support/TestCertificate.h"

#include <QTest>
#include <chrono>
#include <sys/resource.h>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// $LOCAL is the dev server's origin, $LAN the body origin, $HEADER the header one.
QByteArray filled(QByteArray text, const QString &local, const ProxyRig &rig)
{
    const QByteArray header = "http://10.0.0.9:" + QByteArray::number(rig.port);
    return text.replace("$LOCAL", local.toUtf8())
        .replace("$PORT", QByteArray::number(rig.port))
        .replace("$LAN", rig.lanOrigin.toUtf8())
        .replace("$HEADER", header);
}

// The processor time the whole process has used.
std::chrono::microseconds processorTime()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto time = [](const timeval &t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return time(usage.ru_utime) + time(usage.ru_stime);
}

QByteArray bodyOf(const QByteArray &response)
{
    return response.sliced(response.indexOf("\r\n\r\n") + 4);
}

} // namespace

class DevicePreviewProxyTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
    }

    void forwarding_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArrayList>("present");
        QTest::addColumn<QByteArrayList>("absent");
        const auto row = [](const char *name, const QByteArray &request, const QByteArrayList &present,
                            const QByteArrayList &absent = {}) {
            QTest::newRow(name) << request << present << absent;
        };
        const auto get = [](const QByteArray &path) -> QByteArray {
            return "GET " + path + " HTTP/1.1\r\n\r\n";
        };
        const QByteArrayList page = {R"(<a href="$LAN/about">)", R"("http:\/\/192.168.1.5:$PORT\/api")"};
        row("page rewritten with its length", "GET /page HTTP/1.1\r\nHost: x\r\n\r\n",
            page + QByteArrayList{"HTTP/1.1 200 OK\r\n", "\r\nConnection: close\r\n"}, {"$LOCAL"});
        row("redirect passed on, Location rewritten", get("/redirect"),
            {"HTTP/1.1 302 ", "Location: $LAN/page\r\n"});
        row("each cookie its own line, named as sent, reduced", get("/cookies"),
            {"\r\nSet-Cookie: a=1\r\n", "\r\nset-cookie: b=2; Path=/; HttpOnly\r\n", "Content-Length: 2\r\n"},
            {"Secure", "Domain"});
        row("gzip decoded and rewritten", get("/gzip"), page, {"Content-Encoding", "$LOCAL"});
        row("deflate decoded and rewritten", get("/deflate"), page, {"Content-Encoding", "$LOCAL"});
        row("undecodable gzip passed through", get("/bad-gzip"),
            {"Content-Encoding: gzip\r\n", "\r\n\r\nnot gzip at all"});
        row("chunked answer joined, origin across chunks rewritten", get("/chunked"), {"\r\n\r\n$LAN"},
            {"chunked"});
        row("404 is an answer", get("/missing"), {"HTTP/1.1 404 ", "\r\n\r\n$LAN"});
        row("binary body untouched", get("/binary"), {"\r\n\r\n\xff\xfe$LOCAL"});
        row("longer than is held: rewritten, in chunks", get("/big"),
            {"\r\nTransfer-Encoding: chunked\r\n", "$LAN"}, {"$LOCAL", "Content-Length"});
        row("longer than is held, to a device that reads no chunks: ended by the close",
            "GET /big HTTP/1.0\r\n\r\n", {"$LAN"}, {"$LOCAL", "Content-Length", "chunked"});
        row("HEAD of a page that is rewritten: no length, no body", "HEAD /page HTTP/1.1\r\n\r\n",
            {"Content-Type: text/html"}, {"<html>", "Content-Length"});
        row("HEAD of a gzip page: the coding its GET has taken off is gone too",
            "HEAD /gzip HTTP/1.1\r\n\r\n", {"Content-Type: text/html"},
            {"Content-Encoding", "Content-Length"});
        // The echo comes back through the body rewriting: the local origin reads as $LAN.
        row("request headers: hop-by-hop dropped, LAN origin made local, chunked body sent with its length",
            "POST /echo HTTP/1.1\r\nHost: 192.168.1.5\r\nConnection: keep-alive, X-Hop\r\nX-Hop: 1\r\n"
            "Keep-Alive: 5\r\nTE: trailers\r\nProxy-Connection: x\r\nUpgrade: h2c\r\n"
            "Accept-Encoding: gzip\r\nOrigin: $HEADER\r\nCookie: s=1\r\nTransfer-Encoding: chunked\r\n\r\n"
            "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n",
            {"POST /echo HTTP/1.1\r\n", "Origin: $LAN\r\n", "Cookie: s=1\r\n",
             "Accept-Encoding: identity\r\n", "Content-Length: 5\r\n", "\r\n\r\nabcde"},
            {"X-Hop", "Keep-Alive: 5", "TE: trailers", "Proxy-Connection", "Upgrade", "chunked", "gzip",
             "10.0.0.9", "Host: 192.168.1.5"});
        row("Keep-Alive not passed on beside Connection: close", get("/keep-alive"),
            {"\r\nConnection: close\r\n"}, {"Keep-Alive", "keep-alive"});
        row("no cache headers of the proxy's own", get("/echo"), {"GET /echo HTTP/1.1\r\n"},
            {"Cache-Control", "Pragma"});
        row("malformed head", "GET / HTTP/1.1\r\nBad Header: x\r\n\r\n", {"HTTP/1.1 400 Error\r\n"});
    }

    void forwarding()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArrayList, present);
        QFETCH(QByteArrayList, absent);
        const ProxyRig rig(m_server->origin(), untimedLimits());
        QVERIFY(rig.port != 0);
        const QByteArray response = rig.exchange(filled(request, m_server->origin(), rig));
        for (const QByteArray &text : present)
            QVERIFY2(response.contains(filled(text, m_server->origin(), rig)), response.constData());
        for (const QByteArray &text : absent)
            QVERIFY2(!response.contains(filled(text, m_server->origin(), rig)), response.constData());
        // The length is the body's, or for HEAD the one the dev server gave.
        const qsizetype lengthAt = response.indexOf("Content-Length: ");
        if (lengthAt >= 0) {
            const qint64 length = response.sliced(lengthAt + 16).split('\r').first().toLongLong();
            QCOMPARE(bodyOf(response).size(), request.startsWith("HEAD") ? 0 : length);
            QVERIFY(length > 0 || !request.startsWith("HEAD"));
        }
    }

    // Whatever the status, the device gets the dev server's answer as sent;
    // an interim 1xx is followed by the final answer.
    void everyStatusAsSent()
    {
        const ProxyRig rig(m_server->origin(), untimedLimits());
        for (int status = 100; status <= 599; ++status) {
            const QByteArray code = QByteArray::number(status);
            const QByteArray response = rig.exchange("GET /status/" + code + " HTTP/1.1\r\n\r\n");
            const QByteArray head = "HTTP/1.1 " + code + " Reason " + code + "\r\nX-Status: " + code + "\r\n";
            QByteArray expected;
            if (status < 200 && status != 101)
                expected = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(6 + code.size()) +
                           "\r\nConnection: close\r\n\r\nafter " + code;
            else if (status == 101 || status == 204 || status == 304)
                expected = head + "Connection: close\r\n\r\n";
            else
                expected = head + "Content-Length: " + QByteArray::number(5 + code.size()) +
                           "\r\nConnection: close\r\n\r\nbody " + code;
            QCOMPARE(response, expected);
        }
    }

    // Requests one after another share a connection to the dev server; one
    // that the dev server closes as a request comes is tried again, once.
    void keptAliveAndTriedAgain()
    {
        const ProxyRig rig(m_server->origin(), untimedLimits());
        QVERIFY(rig.exchange("GET /page HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 200 "));
        QVERIFY(rig.exchange("GET /page HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 200 "));
        QCOMPARE(m_server->requests().at(1).connection, m_server->requests().at(0).connection);
        // Not sent twice, so never sent where the dev server may just have closed.
        QVERIFY(
            rig.exchange("POST /echo HTTP/1.1\r\nContent-Length: 1\r\n\r\nx").startsWith("HTTP/1.1 200 "));
        QVERIFY(m_server->requests().at(2).connection > m_server->requests().at(1).connection);

        QVERIFY(rig.exchange("GET /once HTTP/1.1\r\n\r\n").endsWith("\r\n\r\nonce"));
        QVERIFY(rig.exchange("GET /once HTTP/1.1\r\n\r\n").endsWith("\r\n\r\nonce"));
        const QList<LoopbackHttpServer::Request> &requests = m_server->requests();
        QCOMPARE(requests.size(), 6);
        QCOMPARE(requests.at(4).connection, requests.at(3).connection); // dropped unanswered
        QVERIFY(requests.at(5).connection > requests.at(4).connection);
    }

    void eventStreamPassesAsItArrives()
    {
        const ProxyRig rig(m_server->origin(), untimedLimits());
        const auto device = rig.connect("GET /events HTTP/1.1\r\n\r\n");
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        QTRY_VERIFY_WITH_TIMEOUT(received.contains("data: second\n\n"), 5000);
        QVERIFY(received.contains(
            QByteArray("data: " + m_server->origin().toUtf8() + "\n\n"))); // body unmodified
        QVERIFY(received.contains("Content-Type: text/event-stream"));
        QCOMPARE(device->state(), QAbstractSocket::ConnectedState);
    }

    void absoluteTargetNeverLeavesTheOrigin()
    {
        LoopbackHttpServer other(QHostAddress::LocalHost, {200}, LoopbackHttpServer::Behaviour::devServer);
        QVERIFY(other.listen());
        const ProxyRig rig(m_server->origin(), untimedLimits());
        const QByteArray response =
            rig.exchange("GET " + other.origin().toUtf8() + "/echo?x=1 HTTP/1.1\r\n\r\n");
        QVERIFY2(response.contains("\r\n\r\nGET /echo?x=1 HTTP/1.1\r\n"), response.constData());
        // A path that starts with two slashes is a path, not another host.
        const QByteArray doubled = "//127.0.0.1:" + QByteArray::number(other.port()) + "//echo";
        const auto device = rig.connect("GET " + doubled + " HTTP/1.1\r\n\r\n");
        QTRY_COMPARE(m_server->requests().size(), 2);
        QVERIFY(other.requests().isEmpty());
        QCOMPARE(m_server->requests().last().target, doubled);
    }

    void aDeviceThatEndsItsSideIsAnswered_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("ending");
        QTest::newRow("GET, HTTP/1.0") << "GET /page HTTP/1.0\r\n\r\n"_ba
                                       << "</html>"_ba;
        QTest::newRow("GET, HTTP/1.1") << "GET /page HTTP/1.1\r\n\r\n"_ba
                                       << "</html>"_ba;
        QTest::newRow("POST, HTTP/1.0") << "POST /echo HTTP/1.0\r\nContent-Length: 9\r\n\r\nbody=sent"_ba
                                        << "\r\n\r\nbody=sent"_ba;
        QTest::newRow("POST, HTTP/1.1") << "POST /echo HTTP/1.1\r\nContent-Length: 9\r\n\r\nbody=sent"_ba
                                        << "\r\n\r\nbody=sent"_ba;
    }

    // A device that ends its sending side right after its request, as
    // `nc -N` does, gets the whole answer it would have got otherwise.
    void aDeviceThatEndsItsSideIsAnswered()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, ending);
        const ProxyRig rig(m_server->origin(), untimedLimits());
        const QByteArray whole = rig.exchange(request);
        QVERIFY2(whole.startsWith("HTTP/1.1 200 OK\r\n") && whole.endsWith(ending), whole.constData());
        QCOMPARE(rig.exchange(request, true), whole);
        QCOMPARE(m_server->requests().size(), 2);
    }

    void aDeviceThatEndsItsSideEarlyIsDropped_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("inside the request line") << "GET /pa"_ba;
        QTest::newRow("inside the head") << "GET /page HTTP/1.1\r\nHost: x\r\n"_ba;
        QTest::newRow("inside a body with a length")
            << "POST /upload HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc"_ba;
        QTest::newRow("inside a chunked body")
            << "POST /upload HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n"_ba;
    }

    // A device that ends its side before its request is whole can never
    // finish it: it is closed at once, unanswered, not when a time limit is up.
    void aDeviceThatEndsItsSideEarlyIsDropped()
    {
        QFETCH(QByteArray, request);
        // Limits far beyond the exchange's wait: only the end of the stream can close it in time.
        DevicePreviewProxyLimits limits = testLimits();
        limits.headTimeout = 30s;
        limits.idleTimeout = 30s;
        limits.upstreamTimeout = 30s;
        const ProxyRig rig(m_server->origin(), limits);
        QCOMPARE(rig.exchange(request, true), QByteArray());
        QVERIFY(m_server->requests().isEmpty());
    }

    void aResetDeviceLetsTheDevServerGo_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("endsItsSideFirst");
        QTest::newRow("held request") << "/slow"_ba << false;
        QTest::newRow("held request, side ended") << "/slow"_ba << true;
        QTest::newRow("quiet event stream") << "/events"_ba << false;
    }

    // A device whose connection is reset lets the dev server go at once,
    // long before any time limit (a stream has none), though it ended its
    // sending side before and nothing more is read from it.
    void aResetDeviceLetsTheDevServerGo()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, endsItsSideFirst);
        const ProxyRig rig(m_server->origin(), DevicePreviewProxyLimits{});
        const auto device = rig.connect("GET " + path + " HTTP/1.1\r\n\r\n");
        QByteArray received;
        connect(device.get(), &QTcpSocket::readyRead, this, [&] { received += device->readAll(); });
        QTRY_COMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->findChildren<QTcpSocket *>().size(), 1);
        if (path == "/events")
            QTRY_VERIFY(received.endsWith("data: second\n\n"));
        const int fd = static_cast<int>(device->socketDescriptor());
        if (endsItsSideFirst) {
            ::shutdown(fd, SHUT_WR);
            QTRY_VERIFY(peerHasReadTheEnd(*device));
        }
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        device->abort();
        QTRY_VERIFY(m_server->findChildren<QTcpSocket *>().isEmpty());
    }

    // A device that ended its side while its answer is on the way keeps its
    // connection, and the proxy does not spin on its ended stream meanwhile.
    void aDeviceThatEndedItsSideWaitsQuietly()
    {
        const ProxyRig rig(m_server->origin(), DevicePreviewProxyLimits{});
        const auto device = rig.connect("GET /slow HTTP/1.1\r\n\r\n");
        QTRY_COMPARE(m_server->requests().size(), 1);
        ::shutdown(static_cast<int>(device->socketDescriptor()), SHUT_WR);
        QTRY_VERIFY(peerHasReadTheEnd(*device));
        const auto before = processorTime();
        QTest::qWait(1000);
        const auto used = std::chrono::duration_cast<std::chrono::milliseconds>(processorTime() - before);
        QVERIFY2(used < std::chrono::milliseconds(400), qPrintable(u"%1 ms"_s.arg(used.count())));
        QCOMPARE(m_server->findChildren<QTcpSocket *>().size(), 1);
        QCOMPARE(device->state(), QAbstractSocket::ConnectedState);
    }

    // Which failure the error header names is checked through the reachability probe.
    void aDevServerThatNeverAnswersIsA502()
    {
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.upstreamTimeout = testLimits().upstreamTimeout;
        const ProxyRig rig(m_server->origin(), limits);
        const QByteArray timedOut = rig.exchange("GET /slow HTTP/1.1\r\n\r\n");
        QCOMPARE(timedOut, "HTTP/1.1 502 Error\r\nX-Devnook-Proxy-Error: timeout\r\n"
                           "Content-Type: text/plain; charset=utf-8\r\nContent-Length: 29\r\n"
                           "Connection: close\r\n\r\nLocal service did not respond"_ba);
    }

    void limits()
    {
        // Idle connections from four devices fill the allowance; one more,
        // from a fifth device whose own share is free, is closed at once.
        const auto fill = [](const ProxyRig &rig) {
            std::vector<std::unique_ptr<QTcpSocket>> idle;
            for (int i = 0; i < testLimits().maxConnections; ++i)
                idle.push_back(rig.connect("GET /page HTTP/1.1\r\n", loopback(1 + i % 4)));
            return idle;
        };
        {
            const ProxyRig rig(m_server->origin(), untimedLimits());
            const auto idle = fill(rig);
            for (const auto &socket : idle)
                QTRY_VERIFY(peerHasReadAll(*socket));
            QCOMPARE(readUntilClosed(*rig.connect("GET /page HTTP/1.1\r\n", loopback(5))), QByteArray());
        }

        // A head that trickles in is cut off when its time is up, which
        // gives its place back.
        DevicePreviewProxyLimits limits = untimedLimits();
        limits.headTimeout = testLimits().headTimeout;
        const ProxyRig rig(m_server->origin(), limits);
        for (const auto &socket : fill(rig))
            QVERIFY(
                QTest::qWaitFor([&] { return socket->state() == QAbstractSocket::UnconnectedState; }, 30000));
        QVERIFY(rig.exchange("GET /page HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 200 "));
        QVERIFY(m_server->requests().size() == 1);

        // An upload over the body limit is refused from its head, before any body byte.
        const QByteArray refused = rig.exchange("POST /echo HTTP/1.1\r\nContent-Length: 104857600\r\n\r\n");
        QVERIFY2(refused.startsWith("HTTP/1.1 413 "), refused.constData());
    }

    void stopClosesEverything()
    {
        // Limits far beyond the test's waits: only the stop can close these.
        const ProxyRig rig(m_server->origin(), DevicePreviewProxyLimits{});
        const auto idle = rig.connect("GET /page");
        const auto waiting = rig.connect("GET /slow HTTP/1.1\r\n\r\n");
        QTRY_COMPARE(m_server->requests().size(), 1);
        rig.proxy->stop();
        QTRY_COMPARE(idle->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(waiting->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(rig.exchange("GET /page HTTP/1.1\r\n\r\n"), QByteArray());
    }

    void tlsDevServer()
    {
        const QSslConfiguration tls = selfSignedServerConfiguration();
        QVERIFY(!tls.isNull());
        LoopbackHttpServer secure(QHostAddress::LocalHost, {200}, LoopbackHttpServer::Behaviour::devServer);
        secure.useTls(tls);
        QVERIFY(secure.listen());
        const ProxyRig rig(secure.origin(), untimedLimits());
        const QByteArray response = rig.exchange("GET /page HTTP/1.1\r\n\r\n");
        QVERIFY2(response.contains(QByteArray("<a href=\"" + rig.lanOrigin.toUtf8() + "/about\">")),
                 response.constData());
    }
};

QTEST_GUILESS_MAIN(DevicePreviewProxyTest)
#include "DevicePreviewProxyTest.moc"
