#include "AppServices.h"

#include "core/environment/HotKeyGrabber.h"
#include "core/environment/WindowHints.h"
#include "core/store/IdleTimeSource.h"
#include "core/telemetry/SignalCache.h"
#include "platform/linux/LinuxIdleTime.h"
#include "platform/linux/XcbHotKeyGrabber.h"
#include "platform/linux/XcbWindowHints.h"
#include "platform/null/NullHotKeyGrabber.h"
#include "platform/null/NullWindowHints.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr std::chrono::seconds kReadinessTimeout{15};
constexpr std::chrono::milliseconds kReadinessPollInterval{500};

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

std::unique_ptr<WindowHints> makeWindowHints()
{
    if (isX11Session())
        return std::make_unique<XcbWindowHints>();
    return std::make_unique<NullWindowHints>();
}

} // namespace

AppServices::AppServices(bool systemPrefersDark, CatalogueReadAhead &catalogueReadAhead)
    : settings(defaults, loginItem, analytics, systemPrefersDark), appearance(systemPrefersDark),
      display(settings), analytics(settings, defaults,
                                   {clock, activity, display, SystemFacts::current(),
                                    QFileInfo(SettingsKeyValueStore::defaultPath()).absolutePath(),
                                    SignalCache::defaultFilePath()}),
      commands(urlOpener, clipboard, terminal), notifications(notifier, commands), portConflictAsker(alerts),
      logsWindows(store, clipboard), previewProxies({analytics, lanInterfaces, previewProbe, clock, power}),
      previewWindows({store, previewProxies, previewProbe, clipboard, urlOpener}),
      devicePreview(previewProxies, previewWindows),
      persistence(JSONProjectPersistence::defaultDataHome(), clock, &catalogueReadAhead),
      usage(JSONProjectPersistence::defaultDataHome(), clock, UsageTrackingService::kCheckpointInterval,
            UsageTrackingService::Reading::later),
      processes(clock), readiness(kReadinessTimeout, kReadinessPollInterval),
      idleTime(LinuxIdleTime::choose(isX11Session())),
      store({persistence, processes, readiness, ports, notifications, commands, portConflictAsker,
             logsWindows, devicePreview, analytics, usage, settings, *idleTime, power, clipboard, clock}),
      envWindows(store), usageWindows({store, usage, defaults, clock, usageAlerts, usageFiles}),
      usageOverview({store, usage, defaults, clock, usageAlerts, usageFiles}, usageWindows),
      panelWindows(logsWindows, envWindows, usageWindows, previewWindows), formCatalogue(store),
      panelStore(store, previewProxies), shellStore(store, processes,
                                                    {panelStore, commands, clipboard, urlOpener, fileViewer,
                                                     alerts, panelWindows, formCatalogue}),
      hotKey(makeHotKeyGrabber()), windowHints(makeWindowHints())
{
    // Every preview goes off, its proxies closed, on the way out, before any
    // service is torn down.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &previewProxies,
                     &DevicePreviewProxyService::deactivateAll);
}

void AppServices::joinBuses()
{
    appearance.watch([this](bool prefersDark) { settings.systemAppearanceChanged(prefersDark); });
    notifications.prepare();
    power.follow(QDBusConnection::systemBus());
}

AppServices::~AppServices() = default;

} // namespace devnook
