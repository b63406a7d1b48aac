#include "platform/linux/DBusNotifier.h"

#include "BusService.h"
#include "core/environment/LocalNotificationService.h"
#include "core/environment/ProjectCommandService.h"
#include "support/RecordingDesktop.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

const QUuid kProjectID = QUuid::createUuid();
const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;

// A notification server on a connection of its own, so a different bus
// client from the notifier, as a real desktop is. It records every Notify.
class NotificationServer final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        uint id;
        uint replacesID;
        QString summary;
        QString body;
        QStringList actions;
        QString identifier;
        QVariantMap hints;
    };

    test::BusService bus{this, kService, kPath};

    QStringList capabilities{u"actions"_s, u"body"_s, u"body-markup"_s};
    bool refuseNotifications = false;
    QList<Notification> notifications;

public Q_SLOTS:
    Q_SCRIPTABLE QStringList GetCapabilities() { return capabilities; }
    Q_SCRIPTABLE uint Notify(const QString &, uint replacesID, const QString &, const QString &summary,
                             const QString &body, const QStringList &actions, const QVariantMap &hints, int)
    {
        if (refuseNotifications) {
            sendErrorReply(QDBusError::LimitsExceeded, u"Too many notifications"_s);
            return 0;
        }
        const QString identifier = hints.value(u"x-devnook-identifier"_s).toString();
        notifications.append({m_nextID, replacesID, summary, body, actions, identifier, hints});
        return m_nextID++;
    }

Q_SIGNALS:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString &actionKey);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);

private:
    uint m_nextID = 1;
};

} // namespace

// The notification service over the real notifier, against a notification
// server on the private session bus of the test run.
class DBusNotifierTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<NotificationServer> m_server;
    test::RecordingUrlOpener m_opener;
    test::RecordingClipboard m_clipboard;
    test::RecordingTerminalLauncher m_terminal;
    ProjectCommandService m_commands{m_opener, m_clipboard, m_terminal};
    std::unique_ptr<DBusNotifier> m_notifier;
    std::unique_ptr<LocalNotificationService> m_service;

    // The id the server gave the notification, or 0 when it was not delivered.
    uint delivered(QCoro::Task<DeliveryResult> task)
    {
        const bool ok = QCoro::waitFor(std::move(task)) == DeliveryResult::delivered;
        return ok && !m_server->notifications.isEmpty() ? m_server->notifications.constLast().id : 0;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
    }

    // The old server gives its connection name back before the new one
    // takes it.
    void init()
    {
        m_service.reset();
        m_notifier.reset();
        m_server.reset();
        m_server = std::make_unique<NotificationServer>();
        QVERIFY(m_server->bus.start());
        m_opener.opened.clear();
        m_notifier = std::make_unique<DBusNotifier>();
        m_service = std::make_unique<LocalNotificationService>(*m_notifier, m_commands);
        m_service->prepare();
    }

    // Project names and URLs are user text; the summary is plain text for
    // every server, the body escaped for one that renders markup.
    void bodyIsEscapedForMarkupServers()
    {
        const QString url = u"localhost:5173/?tab=a&b=<c>"_s;
        QVERIFY(delivered(m_service->notifyDevProcessStarted(u"<Shop> & co"_s, url)));
        m_server->capabilities.removeAll(u"body-markup"_s);
        QVERIFY(delivered(m_service->notifyWorkspaceReady(u"<Shop> & co"_s, url)));
        QVERIFY(delivered(m_service->notifyWorkspaceFailed(u"<Shop> & co"_s, kProjectID)));

        const auto &sent = m_server->notifications;
        QCOMPARE(sent[0].summary, u"<Shop> & co is running"_s);
        QCOMPARE(sent[0].body, u"Ready at localhost:5173/?tab=a&amp;b=&lt;c&gt;"_s);
        QCOMPARE(sent[1].body, u"Ready at "_s + url);
        QCOMPARE(sent[2].summary, u"<Shop> & co needs attention"_s);
        // Every notification is a new one, clickable by its default action.
        for (const NotificationServer::Notification &notification : sent) {
            QCOMPARE(notification.replacesID, 0u);
            QCOMPARE(notification.actions.value(0), u"default"_s);
        }
    }

    // Servers stay silent unless a notification names a sound, whichever
    // kind it is.
    void everyNotificationNamesTheMessageSound()
    {
        QVERIFY(delivered(m_service->notifyDevProcessStarted(u"Shop"_s, u"localhost:3000"_s)));
        QVERIFY(delivered(m_service->notifyDevProcessStartedWithoutURL(u"Worker"_s)));
        QVERIFY(delivered(m_service->notifyWorkspaceFailed(u"Shop"_s, kProjectID)));
        QCOMPARE(m_server->notifications.size(), 3);
        for (const NotificationServer::Notification &notification : std::as_const(m_server->notifications)) {
            const QVariant sound = notification.hints.value(u"sound-name"_s);
            QCOMPARE(sound.metaType(),
                     QMetaType::fromType<QString>()); // a D-Bus string, as the hint is typed
            QCOMPARE(sound.toString(), u"message-new-instant"_s);
        }
    }

    // Only the default action on a notification of ours still open counts:
    // a failure opens the project's logs, the others their normalised URL.
    void clicksRouteByNotification()
    {
        const uint shop = delivered(m_service->notifyDevProcessStarted(u"Shop"_s, u" localhost:3000 "_s));
        const uint worker = delivered(m_service->notifyDevProcessStartedWithoutURL(u"Worker"_s));
        const uint blank = delivered(m_service->notifyDevProcessStarted(u"Blank"_s, u"  "_s));
        const uint blog = delivered(m_service->notifyWorkspaceReady(u"Blog"_s, u"localhost:4000"_s));
        const uint failed = delivered(m_service->notifyDevProcessFailed(u"Shop"_s, kProjectID));
        QVERIFY(shop && worker && blank && blog && failed);

        // One server's signals arrive in order: once the last click is back,
        // the ones before it have been handled.
        QSignalSpy logsRequests(m_service.get(), &LocalNotificationService::openProjectLogsRequested);
        Q_EMIT m_server->ActionInvoked(shop, u"snooze"_s);
        for (const uint id : {worker, blank, failed + 100, shop})
            Q_EMIT m_server->ActionInvoked(id, u"default"_s);
        Q_EMIT m_server->NotificationClosed(shop, 2);
        for (const uint id : {shop, blog, failed})
            Q_EMIT m_server->ActionInvoked(id, u"default"_s);
        QVERIFY(logsRequests.wait(5000));
        QCOMPARE(logsRequests.at(0).at(0).toUuid(), kProjectID);
        QCOMPARE(m_opener.opened,
                 QList({QUrl(u"http://localhost:3000"_s), QUrl(u"http://localhost:4000"_s)}));
    }

    void failedDeliveries()
    {
        m_server->refuseNotifications = true;
        QCOMPARE(QCoro::waitFor(m_service->notifyDevProcessReadinessFailed(u"Shop"_s, kProjectID)),
                 DeliveryResult::addFailed);
        m_server->bus.stop();
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
