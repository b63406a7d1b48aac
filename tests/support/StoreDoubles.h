#pragma once

#include "FakeClock.h"
#include "RecordingDesktop.h"
#include "core/analytics/AnalyticsService.h"
#include "core/environment/LocalNotificationService.h"
#include "core/environment/ProjectCommandService.h"
#include "core/foundation/KeyValueStore.h"
#include "core/processes/DevProcessManager.h"
#include "core/processes/PortInspectionService.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "core/projects/AppSettings.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/projects/LoginItemService.h"
#include "core/store/DevicePreviewHooks.h"
#include "core/store/IdleTimeSource.h"
#include "core/store/PortConflictAsker.h"
#include "core/store/ProjectLogsPresenter.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageTrackingService.h"

#include <QCoroTimer>
#include <QMap>
#include <QPointer>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace devnook::test {

inline DevProject makeProject(const QString &name, const QString &folder = {})
{
    DevProject project;
    project.id = QUuid::createUuid();
    project.name = name;
    project.folderPath = folder;
    return project;
}

// The store's collaborators at the desktop seams, each remembering what it
// was asked.

class RecordingNotifier final : public Notifier {
public:
    void prepare() override {}
    QCoro::Task<DeliveryResult> deliver(NotificationRequest request) override
    {
        kinds.append(request.identifier.chopped(37));
        co_return result;
    }

    DeliveryResult result = DeliveryResult::delivered;
    // The identifier prefixes of the requests, in order ("dev-started").
    QStringList kinds;
};

class RecordingLogsPresenter final : public ProjectLogsPresenter {
public:
    void show(const DevProject &project) override { shown.append(project.id); }
    QList<QUuid> shown;
};

class RecordingDevicePreview final : public DevicePreviewHooks {
public:
    void deactivate(const QUuid &projectID) override { deactivated.append(projectID); }
    QCoro::Task<> refreshIfActive(DevProject, QHash<QString, QString> effectiveLocalURLs) override
    {
        refreshedWith.append(effectiveLocalURLs);
        co_return;
    }
    void refreshIfOpen(const DevProject &project) override { windowsRefreshed.append(project.id); }

    QList<QUuid> deactivated;
    QList<QHash<QString, QString>> refreshedWith;
    QList<QUuid> windowsRefreshed;
};

// Answers the port question as told; without an answer it gives the
// question's default, as Enter or Escape would. With a real asker to pass
// the question on to, that one answers.
class ScriptedPortConflictAsker final : public PortConflictAsker {
public:
    PortConflictResolution ask(const PortConflictQuestion &question) override
    {
        questions.append(question);
        if (passOnTo)
            return passOnTo->ask(question);
        return answer.value_or(question.defaultAnswer);
    }

    std::optional<PortConflictResolution> answer;
    PortConflictAsker *passOnTo = nullptr;
    QList<PortConflictQuestion> questions;
};

class RecordingAnalytics final : public AnalyticsService {
public:
    void configureIfNeeded() override {}
    void signal(AnalyticsEvent event, const QHash<QString, QString> &parameters) override
    {
        const QString category = parameters.value(QStringLiteral("failure-category"));
        sources[event].append(parameters.value(QStringLiteral("source")) +
                              (category.isEmpty() ? QString() : u'/' + category));
    }

    // "source", or "source/failure-category", of each signal, by event.
    QMap<AnalyticsEvent, QStringList> sources;
};

// The user's idle time as the test sets it, answered at once or, like a
// desktop service, on a later turn of the event loop.
class ScriptedIdleTime final : public IdleTimeSource {
public:
    QCoro::Task<double> secondsSinceLastInput() override
    {
        ++reads;
        // Taken now: the rig may be gone by the later turn.
        const double answer = seconds;
        if (answerLater)
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        co_return answer;
    }

    double seconds = 0.0;
    bool answerLater = false;
    int reads = 0;
};

class DisabledLoginItem final : public LoginItemService {
public:
    bool isEnabled() const override { return false; }
    Result<void> setEnabled(bool) override { return Result<void>::success(); }
};

// A process manager without children: start and stop report the states the
// test scripts, and the test emits the rest through stateDidChange.
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
        if (reportsStop)
            Q_EMIT stateDidChange(projectID, DevProcessState::stopped);
    }
    void stopAll() override {}

    QList<DevProcessState> statesOnStart{DevProcessState::starting, DevProcessState::running};
    bool reportsStop = true;
    QList<QUuid> started;
};

// Listeners as the test sets them; terminating one frees its port unless
// the test says that another process takes the port over at once.
class ScriptedPorts final : public PortInspectionService {
public:
    std::optional<PortListener> listener(int port) const override
    {
        return listeners.contains(port) ? std::optional(listeners.value(port)) : std::nullopt;
    }
    bool terminateProcess(qint32 pid) const override
    {
        if (!takenOver)
            listeners.removeIf([pid](const auto &entry) { return entry.value().pid == pid; });
        return true;
    }

    mutable QMap<int, PortListener> listeners;
    bool takenOver = false;
};

// The real prober, or with probes off an answer of `endpoint` at once;
// remembers what it was asked and counts the waits that have ended.
class TestReadiness final : public WorkspaceReadinessService {
public:
    using WorkspaceReadinessService::WorkspaceReadinessService;
    QCoro::Task<std::optional<WorkspaceReadyEndpoint>> waitUntilReadyEndpoint(QString url, QSet<int> excluded,
                                                                              CandidateSource candidates,
                                                                              StillWanted wanted) override
    {
        asked.append(url);
        lastExcludedPorts = excluded;
        lastCandidates = candidates();
        std::optional<WorkspaceReadyEndpoint> found = endpoint;
        if (probes) {
            // A test that failed early may have freed the rig while the wait
            // was still polling; the wait then ends without touching it.
            const QPointer<TestReadiness> self(this);
            found =
                co_await WorkspaceReadinessService::waitUntilReadyEndpoint(url, excluded, candidates, wanted);
            if (!self)
                co_return found;
        }
        ++finishedWaits;
        co_return found;
    }

    bool probes = false;
    std::optional<WorkspaceReadyEndpoint> endpoint;
    QStringList asked;
    QSet<int> lastExcludedPorts;
    QList<WorkspaceReadyEndpoint> lastCandidates;
    int finishedWaits = 0;
};

// A store over a catalogue and usage sessions in a temporary folder, with the
// desktop recorded and usage tracking real. Manager, Ports and ClockType are
// the real ones or the scripted ones above.
template <class Manager, class Ports, class ClockType> struct StoreRig {
    explicit StoreRig(std::chrono::milliseconds readinessTimeout = std::chrono::seconds(15))
        : readiness(readinessTimeout, std::chrono::milliseconds(200))
    {}

    // Writes the catalogue, when given, and opens a new store over it.
    ProjectStore &open(const QList<DevProject> &projects = {})
    {
        if (!projects.isEmpty() && !persistence.saveProjects(projects).isOk())
            qFatal("the catalogue could not be written");
        store.reset();
        store = std::make_unique<ProjectStore>(services(usage, settings));
        return *store;
    }
    // The rig's services, with usage tracking and settings that may be the test's own.
    ProjectStoreServices services(UsageTrackingService &usedUsage, AppSettings &usedSettings)
    {
        return ProjectStoreServices{persistence, manager,       readiness,
                                    ports,       notifications, commands,
                                    asker,       logs,          previewHooks ? *previewHooks : preview,
                                    analytics,   usedUsage,     usedSettings,
                                    idle,        power,         clipboard,
                                    clock};
    }
    void report(const QUuid &projectID, DevProcessState state)
    {
        Q_EMIT manager.stateDidChange(projectID, state);
    }
    QStringList logTexts(const QUuid &projectID, bool errorsOnly = false) const
    {
        QStringList texts;
        for (const DevProcessLogLine &line : store->processLogs().value(projectID)) {
            if (line.isError || !errorsOnly)
                texts.append(line.text);
        }
        return texts;
    }
    QStringList openedURLs() const
    {
        QStringList urls;
        for (const QUrl &url : opener.opened)
            urls.append(url.toString());
        return urls;
    }
    QList<DevProject> stored() { return persistence.loadProjects().value().projects; }

    ClockType clock;
    QTemporaryDir dir;
    JSONProjectPersistence persistence{dir.filePath(QStringLiteral("data")), clock};
    Manager manager{clock};
    TestReadiness readiness;
    Ports ports;
    RecordingNotifier notifier;
    RecordingUrlOpener opener;
    RecordingFileViewer files;
    RecordingClipboard clipboard;
    RecordingTerminalLauncher terminal;
    ProjectCommandService commands{opener, clipboard, terminal};
    LocalNotificationService notifications{notifier, commands};
    ScriptedPortConflictAsker asker;
    RecordingLogsPresenter logs;
    RecordingDevicePreview preview;
    // The device preview that stores opened from now on use instead of the
    // recording one.
    DevicePreviewHooks *previewHooks = nullptr;
    RecordingAnalytics analytics;
    MemoryKeyValueStore defaults;
    DisabledLoginItem loginItem;
    AppSettings settings{defaults, loginItem, analytics};
    ScriptedIdleTime idle;
    ScriptedPowerEvents power;
    UsageTrackingService usage{dir.filePath(QStringLiteral("data")), clock};
    std::unique_ptr<ProjectStore> store;
};

// Scripted processes, ports and prober on a clock that the test moves.
using ScriptedStore = StoreRig<ScriptedProcessManager, ScriptedPorts, FakeClock>;
// Real children through the login shell, real ports and the real prober.
using RealStore = StoreRig<DevProcessManager, PortInspectionService, SystemClock>;

} // namespace devnook::test
