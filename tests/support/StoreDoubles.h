#pragma once

#include "RecordingDesktop.h"
#include "core/analytics/AnalyticsService.h"
#include "core/foundation/KeyValueStore.h"
#include "core/processes/DevProcessManager.h"
#include "core/processes/LocalNotificationService.h"
#include "core/processes/LoginItemService.h"
#include "core/processes/PortInspectionService.h"
#include "core/processes/ProjectCommandService.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "core/projects/AppSettings.h"
#include "core/store/DevicePreviewHooks.h"
#include "core/store/IdleTimeSource.h"
#include "core/store/PortConflictAsker.h"
#include "core/store/PowerEvents.h"
#include "core/store/ProjectLogsPresenter.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageTrackingService.h"

#include <QCoroTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>
#include <chrono>
#include <optional>
#include <utility>

namespace devnook::test {

// The store's collaborators at the desktop seams, each remembering what it
// was asked.

class RecordingNotifier final : public Notifier {
public:
    void prepare() override {}
    QCoro::Task<DeliveryResult> deliver(NotificationRequest request) override
    {
        requests.append(request);
        co_return result;
    }

    // The identifier prefixes of the requests, in order ("dev-started").
    QStringList kinds() const
    {
        QStringList prefixes;
        for (const NotificationRequest &request : requests)
            prefixes.append(request.identifier.left(request.identifier.size() - 37));
        return prefixes;
    }

    DeliveryResult result = DeliveryResult::delivered;
    QList<NotificationRequest> requests;
};

class RecordingLogsPresenter final : public ProjectLogsPresenter {
public:
    void show(const DevProject &project) override { shown.append(project.id); }
    QList<QUuid> shown;
};

class RecordingDevicePreview final : public DevicePreviewHooks {
public:
    void deactivate(const QUuid &projectID) override { deactivated.append(projectID); }
    QCoro::Task<> refreshIfActive(DevProject project, QHash<QString, QString> effectiveLocalURLs) override
    {
        refreshed.append({project.id, effectiveLocalURLs});
        co_return;
    }
    void refreshIfOpen(const DevProject &project) override { windowsRefreshed.append(project.id); }

    QList<QUuid> deactivated;
    QList<std::pair<QUuid, QHash<QString, QString>>> refreshed;
    QList<QUuid> windowsRefreshed;
};

// Answers the port question as told; without an answer it gives the
// question's default, as Enter or Escape would.
class ScriptedPortConflictAsker final : public PortConflictAsker {
public:
    PortConflictResolution ask(const PortConflictQuestion &question) override
    {
        questions.append(question);
        return answer.value_or(question.defaultAnswer);
    }

    std::optional<PortConflictResolution> answer;
    QList<PortConflictQuestion> questions;
};

class RecordingAnalytics final : public AnalyticsService {
public:
    void configureIfNeeded() override {}
    void signal(AnalyticsEvent event, const QHash<QString, QString> &parameters) override
    {
        sent.append({event, parameters});
    }

    // The parameters of every signal of the event, in order.
    QList<QHash<QString, QString>> of(AnalyticsEvent event) const
    {
        QList<QHash<QString, QString>> result;
        for (const auto &[sentEvent, parameters] : sent) {
            if (sentEvent == event)
                result.append(parameters);
        }
        return result;
    }

    QList<std::pair<AnalyticsEvent, QHash<QString, QString>>> sent;
};

// The user's idle time as the test sets it, answered at once or, like a
// desktop service, on a later turn of the event loop.
class ScriptedIdleTime final : public IdleTimeSource {
public:
    QCoro::Task<double> secondsSinceLastInput() override
    {
        static constexpr std::chrono::milliseconds kNextTurn{0};
        ++reads;
        if (answerLater)
            co_await QCoro::sleepFor(kNextTurn);
        co_return seconds;
    }

    double seconds = 0.0;
    bool answerLater = false;
    int reads = 0;
};

// Sleep and wake when the test says so.
class ScriptedPowerEvents final : public PowerEvents {
public:
    void sleep() { Q_EMIT willSleep(); }
    void wake() { Q_EMIT didWake(); }
};

class DisabledLoginItem final : public LoginItemService {
public:
    bool isEnabled() const override { return false; }
    Result<void> setEnabled(bool) override { return Result<void>::success(); }
};

// A process manager without children: start and stop report the states the
// test scripts, and the test reports the rest through stateDidChange.
class ScriptedProcessManager final : public DevProcessManager {
public:
    using DevProcessManager::DevProcessManager;

    void start(const DevProject &project) override
    {
        started.append(project.id);
        for (const DevProcessState state : std::as_const(statesOnStart))
            Q_EMIT stateDidChange(project.id, state);
    }
    void stop(const QUuid &projectID) override
    {
        stopped.append(projectID);
        if (reportsStop)
            Q_EMIT stateDidChange(projectID, DevProcessState::stopped);
    }
    void stopAll() override {}

    QList<DevProcessState> statesOnStart{DevProcessState::starting, DevProcessState::running};
    bool reportsStop = true;
    QList<QUuid> started;
    QList<QUuid> stopped;
};

// Listeners as the test sets them; freeing a port ends its listener when told
// to, and may leave another process on it.
class ScriptedPorts final : public PortInspectionService {
public:
    std::optional<PortListener> listener(int port) const override
    {
        const auto found = listeners.constFind(port);
        return found == listeners.cend() ? std::nullopt : std::optional<PortListener>(*found);
    }
    bool terminateProcess(qint32 pid) const override
    {
        for (auto it = listeners.begin(); it != listeners.end(); ++it) {
            if (it->pid == pid && terminateSucceeds) {
                if (takenOverBy)
                    *it = *takenOverBy;
                else
                    listeners.erase(it);
                break;
            }
        }
        return terminateSucceeds;
    }

    mutable QMap<int, PortListener> listeners;
    bool terminateSucceeds = true;
    std::optional<PortListener> takenOverBy;
};

// A prober that answers at once with the scripted endpoint and remembers
// what it was asked.
class ScriptedReadiness final : public WorkspaceReadinessService {
public:
    ScriptedReadiness() : WorkspaceReadinessService(15.0, 500000000) {}

    QCoro::Task<std::optional<WorkspaceReadyEndpoint>>
    waitUntilReadyEndpoint(QString configuredURL, QSet<int>, CandidateSource candidates) override
    {
        asked.append(configuredURL);
        lastCandidates = candidates();
        co_return endpoint;
    }

    std::optional<WorkspaceReadyEndpoint> endpoint;
    QStringList asked;
    QList<WorkspaceReadyEndpoint> lastCandidates;
};

// The real prober, counting the waits that have ended.
class CountingReadiness final : public WorkspaceReadinessService {
public:
    using WorkspaceReadinessService::WorkspaceReadinessService;

    QCoro::Task<std::optional<WorkspaceReadyEndpoint>>
    waitUntilReadyEndpoint(QString configuredURL, QSet<int> excludedPorts,
                           CandidateSource candidates) override
    {
        auto endpoint = co_await WorkspaceReadinessService::waitUntilReadyEndpoint(
            std::move(configuredURL), std::move(excludedPorts), std::move(candidates));
        ++finishedWaits;
        co_return endpoint;
    }

    int finishedWaits = 0;
};

// Every desktop seam of the store, recording, with real usage tracking whose
// session file lives under the given data folder.
struct StoreDoubles {
    StoreDoubles(const QString &dataHome, const Clock &clock) : usage(dataHome, clock) {}

    RecordingNotifier notifier;
    RecordingUrlOpener opener;
    RecordingClipboard clipboard;
    RecordingTerminalLauncher terminal;
    ProjectCommandService commands{opener, clipboard, terminal};
    LocalNotificationService notifications{notifier, commands};
    ScriptedPortConflictAsker asker;
    RecordingLogsPresenter logs;
    RecordingDevicePreview preview;
    RecordingAnalytics analytics;
    MemoryKeyValueStore defaults;
    DisabledLoginItem loginItem;
    AppSettings settings{defaults, loginItem, analytics};
    ScriptedIdleTime idle;
    ScriptedPowerEvents power;
    UsageTrackingService usage;

    ProjectStoreServices services(ProjectPersisting &persistence, DevProcessManager &manager,
                                  WorkspaceReadinessService &readiness, PortInspectionService &ports,
                                  const Clock &clock)
    {
        return {persistence, manager,   readiness, ports,    notifications, commands, asker,     logs,
                preview,     analytics, usage,     settings, idle,          power,    clipboard, clock};
    }

    QStringList openedURLs() const
    {
        QStringList urls;
        for (const QUrl &url : opener.opened)
            urls.append(url.toString());
        return urls;
    }
};

} // namespace devnook::test
