#include "AppServices.h"

#include "core/environment/HotKeyGrabber.h"
#include "core/store/IdleTimeSource.h"
#include "platform/linux/LinuxIdleTime.h"
#include "platform/linux/XcbHotKeyGrabber.h"
#include "platform/null/NullHotKeyGrabber.h"

#include <QDBusConnection>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr double kReadinessTimeoutSeconds = 15.0;
constexpr quint64 kReadinessPollIntervalNanoseconds = 500'000'000;

bool isX11Session()
{
    return QGuiApplication::platformName() == u"xcb";
}

std::unique_ptr<HotKeyGrabber> makeHotKeyGrabber()
{
    if (isX11Session())
        return std::make_unique<XcbHotKeyGrabber>();
    return std::make_unique<NullHotKeyGrabber>();
}

} // namespace

AppServices::AppServices(bool systemPrefersDark)
    : settings(defaults, loginItem, analytics, systemPrefersDark), appearance(systemPrefersDark),
      commands(urlOpener, clipboard, terminal), notifications(notifier, commands), portConflictAsker(alerts),
      persistence(JSONProjectPersistence::defaultDataHome(), clock),
      usage(JSONProjectPersistence::defaultDataHome(), clock), processes(clock),
      readiness(kReadinessTimeoutSeconds, kReadinessPollIntervalNanoseconds),
      idleTime(LinuxIdleTime::choose(isX11Session(), QDBusConnection::sessionBus())),
      power(QDBusConnection::systemBus()),
      store({persistence, processes, readiness, ports, notifications, commands, portConflictAsker,
             logsPresenter, devicePreview, analytics, usage, settings, *idleTime, power, clipboard, clock}),
      panelStore(store), shellStore(store, processes, {panelStore, commands, clipboard, urlOpener, alerts}),
      hotKey(makeHotKeyGrabber())
{
    appearance.watch([this](bool prefersDark) { settings.systemAppearanceChanged(prefersDark); });
    notifications.prepare();
    analytics.configureIfNeeded();
}

AppServices::~AppServices() = default;

} // namespace devnook
