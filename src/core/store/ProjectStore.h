#pragma once

#include "core/environment/EnvProfileService.h"
#include "core/environment/GitStatusService.h"
#include "core/environment/LocalNotificationService.h"
#include "core/environment/ProjectFolderFacts.h"
#include "core/foundation/Result.h"
#include "core/processes/DevProcessLogLine.h"
#include "core/processes/DevProcessState.h"
#include "core/processes/PortConflictInfo.h"
#include "core/processes/WorkspaceReadyEndpoint.h"
#include "core/projects/DevProject.h"
#include "core/usage/ProjectUsageSession.h"
#include "core/usage/UsagePeriods.h"
#include "core/usage/UsageRecords.h"

#include <QByteArray>
#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUuid>
#include <optional>

namespace devnook {

class AnalyticsService;
class AppSettings;
class Clipboard;
class Clock;
class DevicePreviewHooks;
class DevProcessManager;
class IdleTimeSource;
class PortConflictAsker;
class PortInspectionService;
class PowerEvents;
class ProjectCommandService;
class ProjectLogsPresenter;
class ProjectPersisting;
class UsageTrackingService;
class WorkspaceReadinessService;
enum class PortConflictResolution;

// Everything the store works with. The application builds each one once; the
// store keeps references, so each must outlive it.
struct ProjectStoreServices {
    ProjectPersisting &persistence;
    DevProcessManager &processManager;
    WorkspaceReadinessService &readiness;
    PortInspectionService &ports;
    LocalNotificationService &notifications;
    ProjectCommandService &commands;
    PortConflictAsker &portConflictAsker;
    ProjectLogsPresenter &logsPresenter;
    DevicePreviewHooks &devicePreview;
    AnalyticsService &analytics;
    UsageTrackingService &usage;
    const AppSettings &settings;
    IdleTimeSource &idleTime;
    PowerEvents &power;
    Clipboard &clipboard;
    const Clock &clock;
};

// The one place where everything that happens to a project is decided: the
// sorted catalogue, the state of each project's dev processes and the starts,
// stops and readiness waits that change it, the git and .env state of each
// folder, and the tracking of the time spent on each project, paused while the
// user is away. Used on the main thread only.
class ProjectStore final : public QObject {
    Q_OBJECT

public:
    // Reads the catalogue, then follows the process manager's reports, clicks
    // on failure notifications, sleep and wake, and checks for an absent user
    // every minute, the first time a minute from now.
    explicit ProjectStore(ProjectStoreServices services, QObject *parent = nullptr);

    // The catalogue in project order: active before archived, pinned first,
    // the most recently used first, then by name.
    const QList<DevProject> &projects() const { return m_projects; }
    // True while the catalogue holds a project with that id.
    bool contains(const QUuid &projectID) const { return storedIndex(projectID) >= 0; }
    // The last state the process manager reported per project.
    const QHash<QUuid, DevProcessState> &processStates() const { return m_processStates; }
    // The process manager's whole log per project.
    const QHash<QUuid, QList<DevProcessLogLine>> &processLogs() const { return m_processLogs; }
    // The addresses found ready at run time, under "project:<UUID>" or
    // "service:<UUID>".
    const QHash<QString, QString> &effectiveLocalURLs() const { return m_effectiveLocalURLs; }
    // Projects whose workspace start is under way.
    const QSet<QUuid> &initializingWorkspaces() const { return m_initializingWorkspaces; }
    // Projects whose play start is under way.
    const QSet<QUuid> &initializingDevProcesses() const { return m_initializingDevProcesses; }
    // Every problem the user should know of, one to a line: the last catalogue
    // failure or refused save (until a write succeeds), what the load found
    // damaged or mended in the catalogue (until dismissed), a settings file
    // that cannot be used (until dismissed), and what is wrong with the usage
    // history. Also written to standard error.
    const std::optional<QString> &lastError() const { return m_lastError; }
    // The user has read lastError: what it reports now is dropped. A failure
    // that happens again is reported again.
    void dismissProblems();
    // The git state of each project folder that gave one.
    const QHash<QUuid, ProjectGitStatus> &gitStatuses() const { return m_gitStatuses; }
    // The .env profile of each project folder that holds .env files.
    const QHash<QUuid, ProjectEnvProfile> &envProfiles() const { return m_envProfiles; }
    // Every .env file of the same projects as envProfiles.
    const QHash<QUuid, ProjectEnvDetail> &envDetails() const { return m_envDetails; }
    // What the last refresh found of each listed project's folder; no entry
    // before the first.
    const QHash<QUuid, ProjectFolderFacts> &folderFacts() const { return m_folderFacts; }
    // The usage figures of each project.
    const QHash<QUuid, ProjectUsageSummary> &usageSummaries() const { return m_usageSummaries; }
    // The live tracking state of each project.
    const QHash<QUuid, UsageTrackingState> &usageTrackingStates() const { return m_usageTrackingStates; }

    // True when some project's processes are starting or running.
    bool hasActiveProcesses() const;
    // What a project shows: starting while a start is under way, else the
    // reported state, else stopped.
    DevProcessState displayProcessState(const DevProject &project) const;
    // The project's entries of effectiveLocalURLs.
    QHash<QString, QString> effectiveLocalURLOverrides(const DevProject &project) const;

    // Adds the project or replaces the stored one with its id. False, with
    // lastError set and nothing written, when another project uses the same
    // folder.
    bool save(const DevProject &project);
    // Removes the project, its device preview and its usage history; running
    // processes keep running.
    void deleteProject(const DevProject &project);
    // Flips the stored project's pin, unless it is archived.
    void togglePinned(const DevProject &project);
    // Archives and unpins the stored project.
    void archive(const DevProject &project);
    // Brings the stored project back from the archive.
    void restore(const DevProject &project);
    // Stamps the stored project as used now.
    void markUsed(const DevProject &project);

    // Reads the git, .env and folder state of every project again and
    // recomputes the usage figures (once the history is read).
    void refreshProjectStatuses();
    // Until the release, status refreshes asked for are only remembered; the
    // release runs one when any was. Start-up holds them until its panel is
    // on screen, so that the folder reads do not compete with it.
    void holdStatusRefreshes();
    void releaseStatusRefreshes();
    // Ends every running usage session; stops no process.
    void finishUsageTrackingForQuit();

    // Each refresh returns at once; the folders are read on background
    // threads and the result is published here. The all-project refreshes
    // replace the whole map once every project has been read; projects
    // deleted in the meantime are left out. One all-project refresh of each
    // kind runs at a time: requests made while it runs are answered by one
    // more refresh after it.
    void refreshGitStatuses();
    // Replaces envProfiles, then envDetails.
    void refreshEnvProfiles();
    void refreshFolderFacts();
    void refreshGitStatus(const DevProject &project);
    void refreshEnvProfile(const DevProject &project);

    // Recompute one entry of usageSummaries or usageTrackingStates, also for
    // an id that is no longer listed.
    void refreshUsageSummary(const QUuid &projectID);
    void refreshUsageTrackingState(const QUuid &projectID);
    // Rebuilds usageTrackingStates for exactly the listed projects.
    void refreshUsageTrackingStates();
    // Pauses the project's running session, or resumes its paused one, by
    // hand; does nothing without a session.
    void toggleUsageTrackingPause(const DevProject &project);
    // The check the store runs every minute and on wake: with the idle pause
    // on and 900 s or more without input, pauses the running sessions as of
    // the last input plus 900 s; otherwise resumes those it paused itself.
    // Sessions paused by hand are never touched.
    QCoro::Task<> reconcileUsageIdleState();

    // The usage window's figures. Every query runs over the filter's rolling
    // period ending now, or over the custom range's whole days when the filter
    // is custom (the range is ignored otherwise), counting running sessions
    // up to now.
    double usageTotalDuration(UsageDateFilterOption filter, const UsageDateRange &customRange) const;
    UsagePeriodHighlightStats usagePeriodHighlightStats(UsageDateFilterOption filter,
                                                        const UsageDateRange &customRange) const;
    QList<UsageDailyBucket> usageDailyBuckets(UsageDateFilterOption filter,
                                              const UsageDateRange &customRange) const;
    QList<UsageDistributionSlice> usageDistributionSlices(UsageDistributionDimension dimension,
                                                          UsageDateFilterOption filter,
                                                          const UsageDateRange &customRange) const;
    QList<UsageProjectTableRow> usageProjectTableRows(UsageDateFilterOption filter,
                                                      const UsageDateRange &customRange) const;
    // Every figure of the overview at once: the queries above from one pass
    // over the period's sessions.
    UsageOverviewFigures usageOverviewFigures(UsageDateFilterOption filter, const UsageDateRange &customRange,
                                              UsageDistributionDimension distributionDimension,
                                              UsageDistributionDimension tableDimension) const;
    ProjectUsagePeriodStats usageProjectPeriodStats(const QUuid &projectID, UsageDateFilterOption filter,
                                                    const UsageDateRange &customRange) const;
    QList<UsageDailyBucket> usageProjectDailyBuckets(const QUuid &projectID, UsageDateFilterOption filter,
                                                     const UsageDateRange &customRange) const;
    // The project's sessions of the period, latest start first.
    QList<ProjectUsageSession> usageProjectSessions(const QUuid &projectID, UsageDateFilterOption filter,
                                                    const UsageDateRange &customRange) const;
    // Every figure of the project's window at once: the three queries above
    // from one pass over the project's sessions.
    UsageProjectFigures usageProjectFigures(const QUuid &projectID, UsageDateFilterOption filter,
                                            const UsageDateRange &customRange) const;
    // The export file of every session of the period, earliest start first.
    Result<QByteArray> exportAllUsageData(UsageDateFilterOption filter, const UsageDateRange &customRange,
                                          UsageExportFormat format) const;
    // Puts the project's usage summary text on the clipboard.
    void copyUsageSummary(const DevProject &project);

    // The play/stop button: stops a starting or running project, otherwise
    // starts it after the port check.
    void toggleDevProcess(const DevProject &project);
    // Stops the project and starts it again once its processes are gone.
    void restartDevProcess(const DevProject &project);
    // Empties the project's log at once, then has the process manager empty
    // its own, which reports the empty log back.
    void clearLogs(const DevProject &project);
    // Port check, editor, dev processes, readiness wait, browser, workspace
    // links and a ready or failure notification.
    void startWorkspace(const DevProject &project);

Q_SIGNALS:
    // Emitted when the project list or a project in it changed.
    void projectsChanged();
    // Emitted when lastError changed.
    void lastErrorChanged();
    // Emitted when a project's reported process state changed.
    void processStateChanged(const QUuid &projectID);
    // Emitted when a project's log changed.
    void logsChanged(const QUuid &projectID);
    // Emitted when effectiveLocalURLs changed.
    void effectiveLocalURLsChanged();
    // Emitted when a project entered or left initializingWorkspaces or
    // initializingDevProcesses.
    void initializingChanged(const QUuid &projectID);
    // Emitted each time gitStatuses was written.
    void gitStatusesChanged();
    // Emitted each time envProfiles and envDetails were written.
    void envProfilesChanged();
    // Emitted each time folderFacts was written.
    void folderFactsChanged();
    // Emitted each time usageSummaries was written.
    void usageSummariesChanged();
    // Emitted each time usageTrackingStates was written.
    void usageTrackingStatesChanged();

private:
    // ProjectStore.cpp
    void load();
    // Writes the catalogue; a success clears the catalogue's failure alone.
    void persist();
    void setProjects(QList<DevProject> projects);
    void setCatalogueError(std::optional<QString> error);
    // Makes lastError of the catalogue's and the usage history's problems.
    void updateLastError();
    void setInitializing(QSet<QUuid> &marks, const QUuid &projectID, bool initializing);
    const DevProject *findProject(const QUuid &projectID) const;
    void log(const QUuid &projectID, const QString &text, bool isError = false);
    void logDeliveryFailure(const QUuid &projectID, DeliveryResult result);
    bool isCurrentRun(const QUuid &projectID, const QUuid &runToken) const;
    // Finishes once the work now running on the main thread is done, so a
    // task started with it runs after its starter, as a queued call would.
    static QCoro::Task<> afterCurrentWork();
    QCoro::Task<> refreshDevicePreview(DevProject project);

    // ProjectStoreCatalogue.cpp
    static QList<DevProject> sorted(QList<DevProject> projects);
    const DevProject *duplicateProject(const DevProject &project) const;
    qsizetype storedIndex(const QUuid &projectID) const;
    void replaceSortedAndPersist();
    static QString projectURLKey(const QUuid &projectID);
    static QString serviceURLKey(const QUuid &serviceID);

    // ProjectStoreAnalytics.cpp
    static QHash<QString, QString> analyticsParameters(const DevProject &project, const QString &source);
    static QString analyticsSource(ProjectUsageSessionSource source);
    void signalProcessStartFailed(const DevProject &project, ProjectUsageSessionSource source,
                                  const QString &category);

    // ProjectStoreProcesses.cpp
    void processStateReported(const QUuid &projectID, DevProcessState state);
    void processLogsReported(const QUuid &projectID, const QList<DevProcessLogLine> &lines);
    void handleProcessStateChange(const QUuid &projectID, DevProcessState state);
    void handleProcessesRunning(const QUuid &projectID);
    void handleProcessesEnded(const QUuid &projectID, DevProcessState state);

    // ProjectStorePlay.cpp
    bool startDevProcess(const DevProject &project);
    void stopProcesses(const QUuid &projectID);
    QCoro::Task<> restartWhenStopped(DevProject project);
    // True when the start may go ahead: no foreign listener on the project's
    // ports, or the user freed the port or chose to continue.
    bool ensurePortAvailable(const DevProject &project);
    PortConflictResolution resolvePortConflict(const PortConflictInfo &conflict, const DevProject &project);
    bool freePort(const QUuid &projectID, const PortConflictInfo &conflict);
    void clearEffectiveLocalURLs(const QUuid &projectID);

    // ProjectStoreWorkspace.cpp
    QCoro::Task<> runWorkspaceReadiness(DevProject project, QUuid runToken, Timestamp discoverySince);
    void logWorkspaceReady(const DevProject &project, const WorkspaceReadyEndpoint &endpoint);
    void openWorkspaceLinks(const DevProject &project, QSet<QString> excluding);
    QCoro::Task<> notifyWorkspaceFailed(QUuid projectID);
    static std::optional<QString> readyServiceName(const DevProject &project, const QString &url);

    // ProjectStoreStatuses.cpp
    // Whether an all-project refresh runs, and whether another was asked for.
    struct RefreshRun {
        bool isRunning = false;
        bool isPending = false;
    };
    // Starts the refresh, or folds the request into the one that runs.
    static bool beginRefresh(RefreshRun &run);
    QCoro::Task<> readGitStatuses(QList<DevProject> snapshot);
    QCoro::Task<> readEnvProfiles(QList<DevProject> snapshot);
    QCoro::Task<> readFolderFacts(QList<DevProject> snapshot);
    // Ends the refresh and runs the one asked for meanwhile, if any.
    void endRefresh(RefreshRun &run, void (ProjectStore::*again)());
    QCoro::Task<> readGitStatus(DevProject project);
    QCoro::Task<> readEnvProfile(DevProject project);
    void setEnvEntry(const QUuid &projectID, const std::optional<ProjectEnvDetail> &detail);
    void dropStatuses(const QUuid &projectID);
    QSet<QUuid> projectIDs() const;

    // ProjectStoreUsage.cpp
    void startUsageTracking(const QUuid &projectID);
    void stopUsageTracking(const QUuid &projectID);
    void setUsageSummaries(QHash<QUuid, ProjectUsageSummary> summaries);
    // usageSummaries of every project, once the history is read, and
    // usageTrackingStates.
    void refreshUsageFigures();
    void pauseUsageTrackingForIdleIfNeeded(Timestamp at);
    void resumeAutoPausedUsageTrackingIfNeeded();
    void machineWillSleep();
    void machineDidWake();
    // Follows the session file: figures once it is read, its problems as lastError.
    void observeUsageFiles();
    void usageSessionsLoaded();

    // ProjectStoreUsageQueries.cpp
    PeriodRange usagePeriodRange(UsageDateFilterOption filter, const UsageDateRange &customRange,
                                 Timestamp now) const;

    // ProjectStoreReadiness.cpp
    QCoro::Task<std::optional<WorkspaceReadyEndpoint>> waitForReadyLocalhostEndpoint(DevProject project,
                                                                                     QUuid runToken,
                                                                                     Timestamp discoverySince,
                                                                                     bool logProgress);
    QList<WorkspaceReadyEndpoint> readinessCandidates(const DevProject &project, Timestamp discoverySince,
                                                      const QString &configuredURL) const;
    void registerEffectiveLocalURL(const WorkspaceReadyEndpoint &endpoint, const QUuid &fallbackProjectID);
    void notifyDevProcessStartedIfNeeded(const QUuid &projectID);
    QCoro::Task<> runPlayReadiness(DevProject project, QUuid runToken, Timestamp discoverySince);
    QCoro::Task<> notifyDevProcessReadinessFailed(QUuid projectID);
    void notifyDevProcessFailed(const QUuid &projectID);
    QCoro::Task<> postDevProcessFailed(DevProject project);
    void openLogsRequested(const QUuid &projectID);

    ProjectStoreServices m_services;

    QList<DevProject> m_projects;
    QHash<QUuid, DevProcessState> m_processStates;
    QHash<QUuid, QList<DevProcessLogLine>> m_processLogs;
    QHash<QString, QString> m_effectiveLocalURLs;
    QSet<QUuid> m_initializingWorkspaces;
    QSet<QUuid> m_initializingDevProcesses;
    std::optional<QString> m_lastError;
    // The last catalogue failure or refused save, until a load or write works.
    std::optional<QString> m_catalogueError;
    // What the load found damaged or mended, until the user dismisses it: a
    // later save must not hide that projects were set aside.
    std::optional<QString> m_catalogueReport;
    // Why the settings live in memory only, until the user dismisses it.
    std::optional<QString> m_settingsProblem;
    QHash<QUuid, ProjectGitStatus> m_gitStatuses;
    QHash<QUuid, ProjectEnvProfile> m_envProfiles;
    QHash<QUuid, ProjectEnvDetail> m_envDetails;
    QHash<QUuid, ProjectFolderFacts> m_folderFacts;
    QHash<QUuid, ProjectUsageSummary> m_usageSummaries;
    QHash<QUuid, UsageTrackingState> m_usageTrackingStates;
    RefreshRun m_gitRefresh;
    RefreshRun m_envRefresh;
    RefreshRun m_folderRefresh;
    // Set by holdStatusRefreshes until the release; the request waits.
    bool m_statusRefreshesHeld = false;
    bool m_statusRefreshRequested = false;

    // Runs the idle check every minute.
    QTimer m_usageIdleTimer{this};
    // How the current start of a project was asked for, until its usage
    // session opens.
    QHash<QUuid, ProjectUsageSessionSource> m_pendingUsageSources;
    // Projects whose session the idle check or sleep paused, to be resumed
    // when the user is back.
    QSet<QUuid> m_autoPausedUsageProjectIDs;
    // Counts the machine's sleeps, so an idle check can tell that one began
    // while it waited for the desktop.
    int m_sleepCount = 0;
    // Projects whose readiness step of the current run has been taken.
    QSet<QUuid> m_handledReadinessProjectIDs;
    // A fresh token per start; a readiness task that resumes under an older
    // one does nothing further.
    QHash<QUuid, QUuid> m_readinessRunIDs;
    // The conflict the user chose to ignore, for the next readiness wait.
    QHash<QUuid, PortConflictInfo> m_continuedDespitePortConflict;
    // Projects the store asked to stop, until the end of their processes is
    // reported; an end not asked for during a start is a failed start.
    QSet<QUuid> m_requestedStops;
};

} // namespace devnook
