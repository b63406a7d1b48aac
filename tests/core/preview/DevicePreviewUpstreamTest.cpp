#include "core/preview/DevicePreviewUpstream.h"

#include "ProxyRig.h"
#include "support/LoopbackHttpServer.h"

#include <QTest>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

// The connections to the dev server: which are kept for the next request,
// and when a request is sent again.
class DevicePreviewUpstreamTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackHttpServer> m_server;

    // The dev server's connections still open.
    qsizetype openAtServer() const { return m_server->findChildren<QTcpSocket *>().size(); }

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
    }

    // A kept-alive connection that breaks off after part of an answer is not
    // asked again: a second answer would follow the first part of the first.
    // The device is told at once that the connection was lost.
    void aPartAnsweredRequestIsNotSentAgain()
    {
        const ProxyRig rig(m_server->origin());
        QVERIFY(rig.exchange("GET /cut-after-first HTTP/1.1\r\n\r\n").endsWith("\r\n\r\nfirst"));
        const QByteArray response = rig.exchange("GET /cut-after-first HTTP/1.1\r\n\r\n");
        QCOMPARE(m_server->requests().size(), 2);
        QCOMPARE(m_server->requests().at(1).connection, m_server->requests().at(0).connection);
        QVERIFY2(response.startsWith("HTTP/1.1 502 Error\r\nX-Devnook-Proxy-Error: connection-refused\r\n"),
                 response.constData());
    }

    // An answer followed by bytes it does not account for leaves its
    // connection unfit for another: the next request takes a new one.
    void aConnectionWithBytesBeyondItsAnswerIsNotKept()
    {
        const ProxyRig rig(m_server->origin());
        const QByteArray extra = rig.exchange("GET /extra HTTP/1.1\r\n\r\n");
        QVERIFY2(extra.endsWith("\r\n\r\nok"), extra.constData());
        QVERIFY(rig.exchange("GET /page HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 200 OK\r\n"));
        QCOMPARE(m_server->requests().size(), 2);
        QVERIFY(m_server->requests().at(1).connection != m_server->requests().at(0).connection);
    }

    // A request is sent on a kept-alive connection only if it could be sent
    // again: its body held within the proxy's one budget, or none.
    void onlyARequestThatCanBeHeldReusesAConnection()
    {
        DevicePreviewProxyLimits limits = testLimits();
        limits.heldBytes = 4;
        const ProxyRig rig(m_server->origin(), limits);
        const auto put = [&rig](const QByteArray &body) {
            return rig.exchange("PUT /upload HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) +
                                "\r\n\r\n" + body);
        };
        QVERIFY(put("1234").startsWith("HTTP/1.1 200 "));
        QVERIFY(put("abcd").startsWith("HTTP/1.1 200 "));
        QVERIFY(put("too long").startsWith("HTTP/1.1 200 "));
        QVERIFY(rig.exchange("GET /page HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 200 "));
        const QList<LoopbackHttpServer::Request> &requests = m_server->requests();
        QCOMPARE(requests.size(), 4);
        QCOMPARE(requests.at(1).connection, requests.at(0).connection);
        QVERIFY(requests.at(2).connection > requests.at(1).connection);
        QCOMPARE(requests.at(3).connection, requests.at(2).connection);
    }

    // The pool keeps as many idle connections as it may, and closes the rest.
    void thePoolKeepsAtMostItsLimit()
    {
        DevicePreviewUpstreamPool pool(QUrl(m_server->origin()), nullptr);
        std::vector<QTcpSocket *> sockets;
        for (int i = 0; i < DevicePreviewUpstreamPool::kMaxIdle + 1; ++i) {
            bool reused = true;
            sockets.push_back(pool.take(false, reused));
            QVERIFY(!reused);
        }
        for (QTcpSocket *socket : sockets)
            QTRY_COMPARE(socket->state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE(openAtServer(), DevicePreviewUpstreamPool::kMaxIdle + 1);
        for (QTcpSocket *socket : sockets)
            pool.giveBack(socket);
        QTRY_COMPARE(openAtServer(), DevicePreviewUpstreamPool::kMaxIdle);
        // Every one kept is still open, and is taken again.
        std::vector<QTcpSocket *> kept;
        for (int i = 0; i < DevicePreviewUpstreamPool::kMaxIdle; ++i) {
            bool reused = false;
            kept.push_back(pool.take(true, reused));
            QVERIFY(reused);
        }
        for (QTcpSocket *socket : kept)
            pool.giveBack(socket);
        pool.clear();
        QTRY_COMPARE(openAtServer(), 0);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewUpstreamTest)
#include "DevicePreviewUpstreamTest.moc"
