#include "DBusIdleTimeSource.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <qcorodbuspendingcall.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kMutterService = u"org.gnome.Mutter.IdleMonitor"_s;
const QString kScreenSaverService = u"org.freedesktop.ScreenSaver"_s;
// A desktop that takes longer than this is busy; the next check asks again.
constexpr int kCallTimeoutMs = 2000;

QDBusMessage idleTimeCall(DBusIdleTimeSource::Service service)
{
    if (service == DBusIdleTimeSource::Service::mutterIdleMonitor)
        return QDBusMessage::createMethodCall(kMutterService, u"/org/gnome/Mutter/IdleMonitor/Core"_s,
                                              kMutterService, u"GetIdletime"_s);
    return QDBusMessage::createMethodCall(kScreenSaverService, u"/org/freedesktop/ScreenSaver"_s,
                                          kScreenSaverService, u"GetSessionIdleTime"_s);
}

} // namespace

DBusIdleTimeSource::DBusIdleTimeSource(Service service, const QDBusConnection &bus)
    : m_service(service), m_bus(bus)
{}

std::optional<DBusIdleTimeSource::Service> DBusIdleTimeSource::find(const QDBusConnection &bus)
{
    const QDBusConnectionInterface *names = bus.isConnected() ? bus.interface() : nullptr;
    if (!names)
        return std::nullopt;
    if (names->isServiceRegistered(kMutterService))
        return Service::mutterIdleMonitor;
    if (names->isServiceRegistered(kScreenSaverService))
        return Service::screenSaver;
    return std::nullopt;
}

QCoro::Task<double> DBusIdleTimeSource::secondsSinceLastInput()
{
    // Mutter counts milliseconds, the screen saver seconds.
    const double unit = m_service == Service::mutterIdleMonitor ? 0.001 : 1.0;
    const QDBusMessage reply = co_await m_bus.asyncCall(idleTimeCall(m_service), kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        co_return 0.0;
    bool ok = false;
    const qulonglong value = reply.arguments().constFirst().toULongLong(&ok);
    co_return ok ? static_cast<double>(value) * unit : 0.0;
}

} // namespace devnook
