#include "TestNotificationServer.h"

#include <QDBusConnectionInterface>
#include <QDBusError>

using namespace Qt::StringLiterals;

namespace devnook::test {

namespace {

const QString kService = u"org.freedesktop.Notifications"_s;
const QString kConnectionName = u"devnook-test-notification-server"_s;

} // namespace

// A connection of its own, so the server is a different bus client from the
// notifier under test, as a real desktop is.
TestNotificationServer::TestNotificationServer()
    : m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName))
{}

TestNotificationServer::~TestNotificationServer()
{
    stop();
    QDBusConnection::disconnectFromBus(kConnectionName);
}

bool TestNotificationServer::start()
{
    if (!m_connection.registerObject(u"/org/freedesktop/Notifications"_s, this,
                                     QDBusConnection::ExportScriptableSlots |
                                         QDBusConnection::ExportScriptableSignals))
        return false;
    return m_connection.registerService(kService);
}

void TestNotificationServer::stop()
{
    m_connection.unregisterService(kService);
    m_connection.unregisterObject(u"/org/freedesktop/Notifications"_s);
}

void TestNotificationServer::click(uint id, const QString &actionKey)
{
    Q_EMIT ActionInvoked(id, actionKey);
}

void TestNotificationServer::close(uint id)
{
    Q_EMIT NotificationClosed(id, 2);
}

QStringList TestNotificationServer::GetCapabilities()
{
    return capabilities;
}

uint TestNotificationServer::Notify(const QString &appName, uint replacesID, const QString &appIcon,
                                    const QString &summary, const QString &body, const QStringList &actions,
                                    const QVariantMap &hints, int expireTimeout)
{
    if (refuseNotifications) {
        sendErrorReply(QDBusError::LimitsExceeded, u"Too many notifications"_s);
        return 0;
    }
    const uint id = m_nextID++;
    notifications.append({id, appName, replacesID, appIcon, summary, body, actions, hints, expireTimeout});
    Q_EMIT notified();
    return id;
}

void TestNotificationServer::CloseNotification(uint id)
{
    close(id);
}

} // namespace devnook::test
