#include "PortalAppearanceWatcher.h"

#include "BusSignal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kService = u"org.freedesktop.portal.Desktop"_s;
const QString kPath = u"/org/freedesktop/portal/desktop"_s;
const QString kInterface = u"org.freedesktop.portal.Settings"_s;
const QString kGroup = u"org.freedesktop.appearance"_s;
const QString kKey = u"color-scheme"_s;

// Older portals wrap the value in a second variant.
QVariant unwrapped(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

PortalAppearanceWatcher::PortalAppearanceWatcher(bool initialPrefersDark, std::optional<QDBusConnection> bus,
                                                 QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_prefersDark(initialPrefersDark)
{}

std::optional<bool> PortalAppearanceWatcher::prefersDarkFromPortalValue(const QVariant &value)
{
    const QVariant inner = unwrapped(value);
    bool ok = false;
    const uint scheme = inner.toUInt(&ok);
    if (!ok || (inner.userType() != QMetaType::UInt && inner.userType() != QMetaType::Int))
        return std::nullopt;
    if (scheme == 1)
        return true;
    if (scheme == 2)
        return false;
    return std::nullopt;
}

void PortalAppearanceWatcher::watch(std::function<void(bool prefersDark)> changed)
{
    m_changed = std::move(changed);
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    if (!m_bus->isConnected())
        return;
    // The slot's types are looked up by name; nothing may have registered
    // QDBusVariant yet this early in start-up.
    qRegisterMetaType<QDBusVariant>();
    connectBusSignal(*m_bus, kService, kPath, kInterface, u"SettingChanged"_s, this,
                     SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"Read"_s);
    read << kGroup << kKey;
    auto *pending = new QDBusPendingCallWatcher(m_bus->asyncCall(read), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (!reply.isError())
            report(prefersDarkFromPortalValue(QVariant::fromValue(reply.value())));
        call->deleteLater();
    });
}

void PortalAppearanceWatcher::onSettingChanged(const QString &group, const QString &key,
                                               const QDBusVariant &value)
{
    if (group == kGroup && key == kKey)
        report(prefersDarkFromPortalValue(value.variant()));
}

void PortalAppearanceWatcher::report(std::optional<bool> prefersDark)
{
    if (!prefersDark || *prefersDark == m_prefersDark)
        return;
    m_prefersDark = *prefersDark;
    if (m_changed)
        m_changed(m_prefersDark);
}

} // namespace devnook
