#pragma once

#include "core/analytics/TelemetryAnalyticsService.h"
#include "core/environment/LocalNotificationService.h"
#include "core/environment/ProjectCommandService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/KeyValueStore.h"
#include "core/preview/DevicePreviewReachabilityProbe.h"
#include "core/preview/DevicePreviewStoreHooks.h"
#include "core/processes/DevProcessManager.h"
#include "core/processes/PortInspectionService.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "core/projects/AppSettings.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageTrackingService.h"
#include "platform/linux/DBusFileViewer.h"
#include "platform/linux/DBusNotifier.h"
#include "platform/linux/DesktopClipboard.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/GuiApplicationActivity.h"
#include "platform/linux/GuiDisplayFacts.h"
#include "platform/linux/LogindPowerEvents.h"
#include "platform/linux/PortalAppearanceWatcher.h"
#include "platform/linux/TerminalEmulatorLauncher.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "ui/env/ProjectEnvDetailWindowController.h"
#include "ui/form/StoreFormCatalogue.h"
#include "ui/kit/AlertAsker.h"
#include "ui/logs/ProjectLogsWindowController.h"
#include "ui/panel/AppPanelWindows.h"
#include "ui/panel/StorePanelAdapter.h"
#include "ui/preview/DevicePreviewWindowController.h"
#include "ui/shell/AlertPortConflictAsker.h"
#include "ui/shell/StoreShellAdapter.h"
#include "ui/usage/ProjectUsageWindowController.h"
#include "ui/usage/UsageOverviewWindowController.h"

#include <memory>

namespace devnook {

class CatalogueReadAhead;
class HotKeyGrabber;
class IdleTimeSource;
class WindowHints;

// The one shared instance of every service, built in dependency order and
// released in reverse; everything else receives what it uses from here.
// Analytics are set up by the application once its panel is on screen.
class AppServices {
public:
    // systemPrefersDark is the desktop's lightness at start, until the
    // appearance portal answers; the catalogue is loaded from what
    // catalogueReadAhead read when it can.
    AppServices(bool systemPrefersDark, CatalogueReadAhead &catalogueReadAhead);
    ~AppServices();

    // The session and system buses: the appearance portal, notification
    // answers and logind's sleep. Connecting takes round trips to the bus
    // daemons, so the application joins them once its panel is on screen.
    void joinBuses();

    AppServices(const AppServices &) = delete;
    AppServices &operator=(const AppServices &) = delete;

    SystemClock clock;
    SettingsKeyValueStore defaults;
    XdgAutostartLoginItem loginItem;
    // The settings and the analytics facade hold each other; neither calls
    // the other while being built.
    AppSettings settings;
    PortalAppearanceWatcher appearance;
    GuiApplicationActivity activity;
    GuiDisplayFacts display;
    TelemetryAnalyticsService analytics;

    DesktopUrlOpener urlOpener;
    DBusFileViewer fileViewer{urlOpener};
    DesktopClipboard clipboard;
    TerminalEmulatorLauncher terminal;
    ProjectCommandService commands;
    DBusNotifier notifier;
    LocalNotificationService notifications;

    MessageBoxAlertAsker alerts;
    AlertPortConflictAsker portConflictAsker;
    // Built before the store it shows, which needs it as its logs presenter.
    ProjectLogsWindowController logsWindows;
    // Followed by the preview's health checks and the store's usage tracking.
    LogindPowerEvents power;
    SystemLanInterfaces lanInterfaces;
    DevicePreviewReachabilityProbe previewProbe;
    DevicePreviewProxyService previewProxies;
    // Built before the store, which refreshes its open windows.
    DevicePreviewWindowController previewWindows;
    DevicePreviewStoreHooks devicePreview;

    JSONProjectPersistence persistence;
    UsageTrackingService usage;
    DevProcessManager processes;
    WorkspaceReadinessService readiness;
    PortInspectionService ports;
    std::unique_ptr<IdleTimeSource> idleTime;
    ProjectStore store;
    ProjectEnvDetailWindowController envWindows;
    WindowModalUsageAlertAsker usageAlerts;
    DialogUsageExportFileChooser usageFiles;
    ProjectUsageWindowController usageWindows;
    UsageOverviewWindowController usageOverview;
    AppPanelWindows panelWindows;
    StoreFormCatalogue formCatalogue;
    StorePanelAdapter panelStore;
    StoreShellAdapter shellStore;

    std::unique_ptr<HotKeyGrabber> hotKey;
    std::unique_ptr<WindowHints> windowHints;
};

} // namespace devnook
