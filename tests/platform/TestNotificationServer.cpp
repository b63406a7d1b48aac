#include "TestNotificationServer.h"

#include <QDBusError>

using namespace Qt::StringLiterals;

namespace devnook::test {

namespace {

const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;
const QString kConnectionName = u"devnook-test-notification-server"_s;

} // namespace

// A connection of its own makes the server a different bus client from the
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
    return m_connection.registerObject(kPath, this,
                                       QDBusConnection::ExportScriptableSlots |
                                           QDBusConnection::ExportScriptableSignals) &&
           m_connection.registerService(kService);
}

void TestNotificationServer::stop()
{
    m_connection.unregisterService(kService);
    m_connection.unregisterObject(kPath);
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

uint TestNotificationServer::Notify(const QString &appName, uint replacesID, const QString &,
                                    const QString &summary, const QString &body, const QStringList &actions,
                                    const QVariantMap &hints, int)
{
    if (refuseNotifications) {
        sendErrorReply(QDBusError::LimitsExceeded, u"Too many notifications"_s);
        return 0;
    }
    notifications.append({m_nextID, appName, replacesID, summary, body, actions, hints});
    return m_nextID++;
}

} // namespace devnook::test
