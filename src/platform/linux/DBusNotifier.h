#pragma once

#include "core/environment/Notifier.h"

#include <QHash>
#include <QString>

namespace devnook {

// Notifications through the desktop's org.freedesktop.Notifications server on
// the session bus. Each notification carries the "default" action and the
// sound theme's new-message sound; a click on it comes back by notification
// id and is reported with the user info the notification was delivered with.
class DBusNotifier final : public Notifier {
    Q_OBJECT

public:
    // Uses the session bus, or the named connection that tests set up.
    explicit DBusNotifier(QString connectionName = {}, QObject *parent = nullptr);

    void prepare() override;
    // No session bus: notAppBundle; no notification server: notAuthorized;
    // the server refusing the notification: addFailed.
    QCoro::Task<DeliveryResult> deliver(NotificationRequest request) override;

private Q_SLOTS:
    // The D-Bus signals, connected by name as QtDBus requires.
    void onActionInvoked(uint id, const QString &actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    QString m_connectionName;
    bool m_didConfigure = false;
    QHash<uint, QHash<QString, QString>> m_userInfoById;
};

} // namespace devnook
