#pragma once

#include "core/environment/AppearanceWatcher.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <optional>

namespace devnook {

// Reads and watches the desktop's "color-scheme" setting through the
// freedesktop settings portal. Without a portal nothing is ever reported and
// the lightness the application started with stays in force.
class PortalAppearanceWatcher final : public QObject, public AppearanceWatcher {
    Q_OBJECT

public:
    // initialPrefersDark: what the platform's own palette said at start.
    // Without a bus, watch() connects to the session bus.
    explicit PortalAppearanceWatcher(bool initialPrefersDark, std::optional<QDBusConnection> bus = {},
                                     QObject *parent = nullptr);

    void watch(std::function<void(bool prefersDark)> changed) override;

    // The portal's value: 1 prefers dark, 2 prefers light, 0 states nothing.
    static std::optional<bool> prefersDarkFromPortalValue(const QVariant &value);

private Q_SLOTS:
    void onSettingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    void report(std::optional<bool> prefersDark);

    std::optional<QDBusConnection> m_bus;
    bool m_prefersDark;
    std::function<void(bool)> m_changed;
};

} // namespace devnook
