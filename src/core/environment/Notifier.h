#pragma once

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QString>

namespace devnook {

// The outcome of a notification request.
enum class DeliveryResult {
    delivered = 0,     // the desktop accepted the notification
    notAppBundle = 1,  // no desktop to ask (no session bus): silently not shown
    notAuthorized = 2, // the desktop has no notification server, or refuses
    addFailed = 3,     // the server reported an error when asked to show it
};

// One notification as the core builds it.
struct NotificationRequest {
    // "<prefix>-<UUID>", new for every request, so notifications pile up.
    QString identifier;
    QString title;
    // Plain text; a notifier that renders markup escapes it.
    QString body;
    // What a click acts on ("devnookURL", "devnookLogsProjectID"); may be empty.
    QHash<QString, QString> userInfo;

    bool operator==(const NotificationRequest &) const = default;
};

// The desktop's notification facility.
class Notifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Gets ready to report clicks; called at launch, done by the first
    // delivery too, and harmless when repeated. Never prompts the user.
    virtual void prepare() = 0;

    // Shows the notification at once.
    virtual QCoro::Task<DeliveryResult> deliver(NotificationRequest request) = 0;

Q_SIGNALS:
    // Emitted when the user clicks a notification delivered by this notifier,
    // with the user info it was delivered with.
    void clicked(const QHash<QString, QString> &userInfo);
};

} // namespace devnook
