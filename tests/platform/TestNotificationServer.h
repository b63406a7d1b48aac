#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace devnook::test {

// A desktop notification server on its own connection to the session bus:
// records every Notify call and sends the signals a desktop sends on clicks.
class TestNotificationServer final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        uint id = 0;
        QString appName;
        uint replacesID = 0;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    TestNotificationServer();
    ~TestNotificationServer() override;

    // Takes the notification service name; false when another owner has it.
    bool start();
    // Gives the name back, as on a desktop without notifications.
    void stop();

    // What the desktop sends when the user clicks, or dismisses, a notification.
    void click(uint id, const QString &actionKey = QStringLiteral("default"));
    void close(uint id);

    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body"),
                             QStringLiteral("body-markup")};
    // When set, Notify answers with an error.
    bool refuseNotifications = false;
    QList<Notification> notifications;

public Q_SLOTS:
    Q_SCRIPTABLE QStringList GetCapabilities();
    Q_SCRIPTABLE uint Notify(const QString &appName, uint replacesID, const QString &appIcon,
                             const QString &summary, const QString &body, const QStringList &actions,
                             const QVariantMap &hints, int expireTimeout);

Q_SIGNALS:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString &actionKey);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_connection;
    uint m_nextID = 1;
};

} // namespace devnook::test
