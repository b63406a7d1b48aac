#include "platform/linux/DBusNotifier.h"

#include "TestNotificationServer.h"
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

// The notification service over the real notifier, against a notification
// server on the private session bus of the test run.
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

    uint lastID() const { return m_server->notifications.constLast().id; }

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

    void bodyIsEscapedForMarkupServers()
    {
        const QString url = u"localhost:5173/?tab=a&b=<c>"_s;
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessStarted(u"<Shop> & co"_s, url)),
                 DeliveryResult::delivered);
        m_server->capabilities.removeAll(u"body-markup"_s);
        QCOMPARE(QCoro::waitFor(m_service->notifyWorkspaceReady(u"<Shop> & co"_s, url)),
                 DeliveryResult::delivered);

        const auto &notifications = m_server->notifications;
        QCOMPARE(notifications.size(), 2);
        QCOMPARE(notifications[0].appName, u"Devnook"_s);
        QCOMPARE(notifications[0].replacesID, 0u);
        QCOMPARE(notifications[0].actions.value(0), u"default"_s);
        QVERIFY(
            notifications[0].hints.value(u"x-devnook-identifier"_s).toString().startsWith(u"dev-started-"_s));
        // The summary is plain text for every server.
        QCOMPARE(notifications[0].summary, u"<Shop> & co is running"_s);
        QCOMPARE(notifications[0].body, u"Ready at localhost:5173/?tab=a&amp;b=&lt;c&gt;"_s);
        QCOMPARE(notifications[1].body, u"Ready at "_s + url);
    }

    void clicksRouteByNotification()
    {
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessStarted(u"Shop"_s, u"localhost:3000"_s)),
                 DeliveryResult::delivered);
        const uint shop = lastID();
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessStartedWithoutURL(u"Worker"_s)),
                 DeliveryResult::delivered);
        const uint worker = lastID();
        QCOMPARE(QCoro::waitFor(m_service->notifyWorkspaceReady(u"Blog"_s, u"localhost:4000"_s)),
                 DeliveryResult::delivered);
        const uint blog = lastID();

        // One server's signals arrive in order: once the last click is back,
        // the ones before it, which must do nothing, have been handled.
        QSignalSpy clicks(m_notifier.get(), &Notifier::clicked);
        m_server->click(shop, u"snooze"_s);
        m_server->click(worker);
        m_server->click(blog + 100);
        m_server->close(shop);
        m_server->click(shop);
        m_server->click(blog);
        QVERIFY(clicks.wait(5000));
        QCOMPARE(m_opener.opened, QList{QUrl(u"http://localhost:4000"_s)});
    }

    void clickOnAFailureOpensTheLogs()
    {
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::delivered);
        QSignalSpy logsRequests(m_service.get(), &LocalNotificationService::openProjectLogsRequested);
        m_server->click(lastID());
        QVERIFY(logsRequests.wait(5000));
        QCOMPARE(logsRequests.at(0).at(0).toUuid(), kProjectID);
        QVERIFY(m_opener.opened.isEmpty());
    }

    void failedDeliveries()
    {
        m_server->refuseNotifications = true;
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessReadinessFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::addFailed);
        m_server->stop();
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::notAuthorized);

        const QString name = u"devnook-test-no-bus"_s;
        QVERIFY(!QDBusConnection::connectToBus(u"unix:path=/nonexistent/devnook-bus"_s, name).isConnected());
        DBusNotifier busless(name);
        LocalNotificationService service(busless, m_commands);
        service.prepare();
        QCOMPARE(QCoro::waitFor(service.notifyWorkspaceFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::notAppBundle);
        QDBusConnection::disconnectFromBus(name);
    }
};

QTEST_GUILESS_MAIN(DBusNotifierTest)
#include "DBusNotifierTest.moc"
