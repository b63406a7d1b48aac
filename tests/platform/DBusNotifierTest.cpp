#include "platform/linux/DBusNotifier.h"

#include "TestNotificationServer.h"
#include "core/foundation/UuidText.h"
#include "core/processes/LocalNotificationService.h"
#include "core/processes/ProjectCommandService.h"
#include "support/RecordingDesktop.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

const QUuid kProjectID = QUuid::fromString(u"0b9e5c1e-8f0a-4a57-9a7e-3f1d2c4b5a69"_s);

} // namespace

// The notifier and the notification service against a notification server on
// a private session bus.
class DBusNotifierTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TestNotificationServer> m_server;
    test::RecordingUrlOpener m_opener;
    test::RecordingClipboard m_clipboard;
    test::RecordingTerminalLauncher m_terminal;
    ProjectCommandService m_commands{m_opener, m_clipboard, m_terminal};
    std::unique_ptr<DBusNotifier> m_notifier;
    std::unique_ptr<LocalNotificationService> m_service;

    uint lastNotificationID() const { return m_server->notifications.constLast().id; }

    // Clicks the notification and waits until the click came back.
    bool clickAndWait(uint id, const QString &actionKey = u"default"_s)
    {
        QSignalSpy clicks(m_notifier.get(), &Notifier::clicked);
        m_server->click(id, actionKey);
        return clicks.wait(5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
    }

    void init()
    {
        m_server = std::make_unique<test::TestNotificationServer>();
        QVERIFY(m_server->start());
        m_opener.opened.clear();
        m_notifier = std::make_unique<DBusNotifier>();
        m_service = std::make_unique<LocalNotificationService>(*m_notifier, m_commands);
        m_service->prepare();
    }

    void cleanup()
    {
        m_service.reset();
        m_notifier.reset();
        m_server.reset();
    }

    void deliveredNotification()
    {
        const auto result = QCoro::waitFor(
            m_service->notifyDevProcessStarted(u"Shop <beta> & co"_s, u"localhost:5173/?tab=a&b=<c>"_s));
        QCOMPARE(result, DeliveryResult::delivered);
        QCOMPARE(m_server->notifications.size(), 1);
        const auto &notification = m_server->notifications.constFirst();
        QCOMPARE(notification.appName, u"Devnook"_s);
        QCOMPARE(notification.replacesID, 0u);
        // The summary is plain text for every server; the body is markup here.
        QCOMPARE(notification.summary, u"Shop <beta> & co is running"_s);
        QCOMPARE(notification.body, u"Ready at localhost:5173/?tab=a&amp;b=&lt;c&gt;"_s);
        QCOMPARE(notification.actions.value(0), u"default"_s);
        QCOMPARE(notification.actions.size(), 2);
        QVERIFY(notification.hints.value(u"x-devnook-identifier"_s).toString().startsWith(u"dev-started-"_s));
        QCOMPARE(notification.hints.value(u"desktop-entry"_s).toString(), u"devnook"_s);
    }

    void plainBodyForAServerWithoutMarkup()
    {
        m_server->capabilities = {u"actions"_s, u"body"_s};
        QCOMPARE(
            QCoro::waitFor(m_service->notifyWorkspaceReady(u"Shop"_s, u"http://localhost:3000/?a=1&b=2"_s)),
            DeliveryResult::delivered);
        QCOMPARE(m_server->notifications.constFirst().body, u"Ready at http://localhost:3000/?a=1&b=2"_s);
    }

    void clickOpensTheURL()
    {
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessStarted(u"Shop"_s, u"localhost:5173"_s)),
                 DeliveryResult::delivered);
        QSignalSpy logsRequests(m_service.get(), &LocalNotificationService::openProjectLogsRequested);
        QVERIFY(clickAndWait(lastNotificationID()));
        QCOMPARE(m_opener.opened, QList<QUrl>{QUrl(u"http://localhost:5173"_s)});
        QCOMPARE(logsRequests.size(), 0);
    }

    void clickOnAFailureOpensTheLogs()
    {
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::delivered);
        QSignalSpy logsRequests(m_service.get(), &LocalNotificationService::openProjectLogsRequested);
        m_server->click(lastNotificationID());
        QVERIFY(logsRequests.wait(5000));
        QCOMPARE(logsRequests.at(0).at(0).toUuid(), kProjectID);
        QVERIFY(m_opener.opened.isEmpty());
    }

    void clicksRouteByNotification()
    {
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessStarted(u"Shop"_s, u"localhost:3000"_s)),
                 DeliveryResult::delivered);
        const uint shop = lastNotificationID();
        QCOMPARE(QCoro::waitFor(m_service->notifyWorkspaceReady(u"Blog"_s, u"localhost:4000"_s)),
                 DeliveryResult::delivered);
        const uint blog = lastNotificationID();
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessStartedWithoutURL(u"Worker"_s)),
                 DeliveryResult::delivered);
        const uint worker = lastNotificationID();
        QVERIFY(shop != blog && blog != worker);

        // Signals from one server arrive in order, so once the last click is
        // back the ones before it have been handled.
        m_server->click(shop, u"snooze"_s);
        m_server->click(worker);
        m_server->click(blog + 100);
        m_server->close(shop);
        m_server->click(shop);
        QVERIFY(clickAndWait(blog));
        QCOMPARE(m_opener.opened, QList<QUrl>{QUrl(u"http://localhost:4000"_s)});
    }

    void noNotificationServer()
    {
        m_server->stop();
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::notAuthorized);
    }

    void serverRefusesTheNotification()
    {
        m_server->refuseNotifications = true;
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessReadinessFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::addFailed);
        QVERIFY(m_server->notifications.isEmpty());
    }

    void noSessionBus()
    {
        const QString name = u"devnook-test-no-bus"_s;
        QVERIFY(!QDBusConnection::connectToBus(u"unix:path=/nonexistent/devnook-bus"_s, name).isConnected());
        DBusNotifier notifier(name);
        notifier.prepare();
        LocalNotificationService service(notifier, m_commands);
        QCOMPARE(QCoro::waitFor(service.notifyWorkspaceFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::notAppBundle);
        QDBusConnection::disconnectFromBus(name);
    }
};

QTEST_GUILESS_MAIN(DBusNotifierTest)
#include "DBusNotifierTest.moc"
