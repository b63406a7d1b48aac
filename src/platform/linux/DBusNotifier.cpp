#include "DBusNotifier.h"

#include "BusSignal.h"
#include "core/foundation/L10n.h"

#include <QCoroSignal>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;
const QString kInterface = u"org.freedesktop.Notifications"_s;
const QString kDefaultAction = u"default"_s;
// The sound theme's name for a new message: servers play nothing unless a
// notification names a sound.
const QString kSound = u"message-new-instant"_s;

// Project names and URLs are user text; a server that renders markup would
// otherwise read "<b>" or "&amp;" in them as markup.
QString escapedMarkup(QString text)
{
    text.replace(u'&', u"&amp;"_s);
    text.replace(u'<', u"&lt;"_s);
    text.replace(u'>', u"&gt;"_s);
    return text;
}

} // namespace

DBusNotifier::DBusNotifier(QString connectionName, QObject *parent)
    : Notifier(parent), m_connectionName(std::move(connectionName))
{}

void DBusNotifier::prepare()
{
    QDBusConnection bus = connectionNamed(m_connectionName);
    if (m_didConfigure || !bus.isConnected())
        return;
    m_didConfigure = true;
    connectBusSignal(bus, kService, kPath, kInterface, u"ActionInvoked"_s, this,
                     SLOT(onActionInvoked(uint, QString)));
    connectBusSignal(bus, kService, kPath, kInterface, u"NotificationClosed"_s, this,
                     SLOT(onNotificationClosed(uint, uint)));
}

QCoro::Task<DeliveryResult> DBusNotifier::deliver(NotificationRequest request)
{
    QDBusConnection bus = connectionNamed(m_connectionName);
    if (!bus.isConnected())
        co_return DeliveryResult::notAppBundle;
    prepare();
    QPointer<DBusNotifier> self(this);

    // Asked anew each time: it also starts a server the bus can activate, and
    // tells whether there is any server at all.
    QDBusPendingCallWatcher capabilities(
        bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface, u"GetCapabilities"_s)));
    co_await qCoro(&capabilities, &QDBusPendingCallWatcher::finished);
    const QDBusPendingReply<QStringList> capabilitiesReply = capabilities;
    if (capabilitiesReply.isError())
        co_return DeliveryResult::notAuthorized;
    const bool rendersMarkup = capabilitiesReply.value().contains(u"body-markup"_s);

    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"Notify"_s);
    const QVariantMap hints{
        {u"desktop-entry"_s, u"devnook"_s},
        {u"sound-name"_s, kSound},
        {u"x-devnook-identifier"_s, request.identifier},
    };
    notify << u"Devnook"_s << 0u << u"devnook"_s << request.title
           << (rendersMarkup ? escapedMarkup(request.body) : request.body)
           << QStringList{kDefaultAction, L10n::text(u"notification_open_action"_s)} << hints << -1;
    QDBusPendingCallWatcher delivery(bus.asyncCall(notify));
    co_await qCoro(&delivery, &QDBusPendingCallWatcher::finished);
    const QDBusPendingReply<uint> reply = delivery;
    if (reply.isError())
        co_return DeliveryResult::addFailed;
    if (self && !request.userInfo.isEmpty())
        self->m_userInfoById.insert(reply.value(), request.userInfo);
    co_return DeliveryResult::delivered;
}

void DBusNotifier::onActionInvoked(uint id, const QString &actionKey)
{
    // Other applications' notifications raise the same signal; only our own
    // ids are known here.
    const auto it = m_userInfoById.constFind(id);
    if (actionKey == kDefaultAction && it != m_userInfoById.cend())
        Q_EMIT clicked(*it);
}

void DBusNotifier::onNotificationClosed(uint id, uint)
{
    m_userInfoById.remove(id);
}

} // namespace devnook
