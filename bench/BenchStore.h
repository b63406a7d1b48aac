#pragma once

#include "core/environment/LocalNotificationService.h"
#include "core/environment/ProjectCommandService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/KeyValueStore.h"
#include "core/processes/DevProcessManager.h"
#include "core/processes/PortInspectionService.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "core/projects/AppSettings.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageTrackingService.h"
#include "platform/null/NullAnalyticsService.h"
#include "platform/null/NullClipboard.h"
#include "platform/null/NullDevicePreviewHooks.h"
#include "platform/null/NullIdleTimeSource.h"
#include "platform/null/NullLoginItemService.h"
#include "platform/null/NullNotifier.h"
#include "platform/null/NullPortConflictAsker.h"
#include "platform/null/NullPowerEvents.h"
#include "platform/null/NullTerminalLauncher.h"
#include "platform/null/NullUrlOpener.h"
#include "ui/logs/ProjectLogsWindowController.h"

#include <chrono>

namespace devnook::bench {

// The real store over the catalogue and history in a data folder, with every
// service it needs, the desktop ones null, and the real logs windows.
struct BenchStore {
    explicit BenchStore(const QString &dataHome) : persistence(dataHome, clock), usage(dataHome, clock) {}

    SystemClock clock;
    JSONProjectPersistence persistence;
    DevProcessManager manager{clock};
    WorkspaceReadinessService readiness{std::chrono::seconds(15), std::chrono::milliseconds(500)};
    PortInspectionService ports;
    NullNotifier notifier;
    NullUrlOpener urlOpener;
    NullClipboard clipboard;
    NullTerminalLauncher terminal;
    ProjectCommandService commands{urlOpener, clipboard, terminal};
    LocalNotificationService notifications{notifier, commands};
    NullPortConflictAsker asker;
    NullDevicePreviewHooks preview;
    NullAnalyticsService analytics;
    UsageTrackingService usage;
    MemoryKeyValueStore defaults;
    NullLoginItemService loginItem;
    AppSettings settings{defaults, loginItem, analytics};
    NullIdleTimeSource idle;
    NullPowerEvents power;
    // Built before the store, which shows its logs through it.
    ProjectLogsWindowController logsWindows{store, clipboard};
    ProjectStore store{{persistence, manager, readiness, ports, notifications, commands, asker, logsWindows,
                        preview, analytics, usage, settings, idle, power, clipboard, clock}};
};

} // namespace devnook::bench
