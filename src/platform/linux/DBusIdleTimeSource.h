#pragma once

#include "core/store/IdleTimeSource.h"

#include <QDBusConnection>
#include <optional>

namespace devnook {

// The idle time a desktop service reports on the session bus: GNOME's Mutter
// idle monitor, or the freedesktop screen saver of other desktops.
class DBusIdleTimeSource final : public IdleTimeSource {
public:
    enum class Service { mutterIdleMonitor, screenSaver };

    DBusIdleTimeSource(Service service, const QDBusConnection &bus);

    // The service present on the bus, Mutter's first; nothing when neither is.
    static std::optional<Service> find(const QDBusConnection &bus);

    // 0 when the service does not answer in time or answers with an error.
    QCoro::Task<double> secondsSinceLastInput() override;

private:
    Service m_service;
    QDBusConnection m_bus;
};

} // namespace devnook
