#include "support/PreviewRig.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

namespace {

// A phone's browser: its own HTTP client, a phone's user agent, no proxy of its own.
class Phone {
public:
    Phone() { m_network.setProxy(QNetworkProxy::NoProxy); }

    QByteArray get(const QUrl &url)
    {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::UserAgentHeader,
                          u"Mozilla/5.0 (Linux; Android 14; Pixel 8) Mobile Safari/537.36"_s);
        QNetworkReply *reply = m_network.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(5000);
        reply->deleteLater();
        return reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    }

private:
    QNetworkAccessManager m_network;
};

} // namespace

// A phone on the network, played on loopback: it opens the LAN address the
// preview gives, loads what the page names through its rewritten links, and
// keeps the dev server's live-reload socket open through the proxy.
class DevicePreviewPhoneTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pageLinksAndLiveReload()
    {
        PreviewRig rig;
        LoopbackHttpServer &devServer = *rig.server;
        QWebSocketServer liveReload(u"hmr"_s, QWebSocketServer::NonSecureMode);
        QList<QWebSocket *> reloadSockets;
        QStringList fromPhone;
        connect(&liveReload, &QWebSocketServer::newConnection, this, [&] {
            QWebSocket *socket = liveReload.nextPendingConnection();
            socket->setParent(&liveReload);
            reloadSockets.append(socket);
            connect(socket, &QWebSocket::textMessageReceived, this,
                    [&fromPhone](const QString &text) { fromPhone.append(text); });
        });
        devServer.setUpgradeHandler(
            [&liveReload](QTcpSocket *socket) { liveReload.handleConnection(socket); });

        const QString local = devServer.origin() + u"/app"_s;
        const QList<DevicePreviewTarget> targets = QCoro::waitFor(
            rig.proxies.proxiedTargets({{u"App"_s, QUrl(local), true, {}}}, QUuid::createUuid()));
        QCOMPARE(targets.size(), 1);
        QCOMPARE(targets[0].candidates.size(), 1);
        const QUrl lanURL = targets[0].candidates[0].url;
        const QString lanOrigin = u"http://"_s + lanURL.authority();

        Phone phone;
        const QByteArray page = phone.get(lanURL);
        QVERIFY2(page.contains(QByteArray("href=\"" + lanOrigin.toUtf8() + "/about\"")), page.constData());
        QVERIFY(!page.contains(devServer.origin().toUtf8()));
        const QRegularExpressionMatch script =
            QRegularExpression(u"src=\"([^\"]+)\""_s).match(QString::fromUtf8(page));
        QVERIFY(script.hasMatch());
        const QByteArray client = phone.get(QUrl(script.captured(1)));
        QVERIFY2(client.contains(QByteArray("const base = \"" + lanOrigin.toUtf8() + "\"")),
                 client.constData());

        // The client script opens its socket where the page came from.
        QWebSocket reload;
        QSignalSpy connected(&reload, &QWebSocket::connected);
        QSignalSpy pushed(&reload, &QWebSocket::textMessageReceived);
        reload.open(QUrl(u"ws://"_s + lanURL.authority() + u"/hmr"_s));
        QVERIFY(connected.wait(5000));
        QTRY_COMPARE(reloadSockets.size(), 1);
        reloadSockets.first()->sendTextMessage(u"{\"type\":\"full-reload\"}"_s);
        QVERIFY(pushed.wait(5000));
        QCOMPARE(pushed.first().first().toString(), u"{\"type\":\"full-reload\"}"_s);
        reload.sendTextMessage(u"ping"_s);
        QTRY_COMPARE(fromPhone, QStringList{u"ping"_s});
    }
};

QTEST_GUILESS_MAIN(DevicePreviewPhoneTest)
#include "DevicePreviewPhoneTest.moc"
