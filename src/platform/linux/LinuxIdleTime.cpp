#include "LinuxIdleTime.h"

#include "DBusIdleTimeSource.h"
#include "XcbIdleTimeSource.h"
#include "platform/null/NullIdleTimeSource.h"

#include <QDBusConnection>

namespace devnook::LinuxIdleTime {

std::unique_ptr<IdleTimeSource> choose(bool x11Session)
{
    if (x11Session) {
        if (auto x11 = XcbIdleTimeSource::connect())
            return x11;
    }
    const QDBusConnection sessionBus = QDBusConnection::sessionBus();
    if (const auto service = DBusIdleTimeSource::find(sessionBus))
        return std::make_unique<DBusIdleTimeSource>(*service, sessionBus);
    return std::make_unique<NullIdleTimeSource>();
}

} // namespace devnook::LinuxIdleTime
