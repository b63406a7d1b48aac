#include "ProjectStore.h"
#include "core/analytics/AnalyticsService.h"
#include "core/foundation/L10n.h"
#include "core/processes/DevProcessManager.h"

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

bool hasEnded(DevProcessState state)
{
    return state == DevProcessState::stopped || state == DevProcessState::failed;
}

} // namespace

void ProjectStore::processLogsReported(const QUuid &projectID, const QList<DevProcessLogLine> &lines)
{
    m_processLogs.insert(projectID, lines);
    Q_EMIT logsChanged(projectID);
}

void ProjectStore::clearLogs(const DevProject &project)
{
    processLogsReported(project.id, {});
    m_services.processManager.clearLogs(project.id);
}

void ProjectStore::processStateReported(const QUuid &projectID, DevProcessState state)
{
    const auto previous = m_processStates.constFind(projectID);
    // The manager repeats its aggregate state after every service event.
    if (previous != m_processStates.cend() && *previous == state) {
        if (hasEnded(state))
            m_requestedStops.remove(projectID);
        return;
    }
    m_processStates.insert(projectID, state);
    Q_EMIT processStateChanged(projectID);
    handleProcessStateChange(projectID, state);
    if (hasEnded(state)) {
        setInitializing(m_initializingWorkspaces, projectID, false);
        setInitializing(m_initializingDevProcesses, projectID, false);
    }
}

void ProjectStore::handleProcessStateChange(const QUuid &projectID, DevProcessState state)
{
    switch (state) {
    case DevProcessState::starting:
        return;
    case DevProcessState::running:
        handleProcessesRunning(projectID);
        return;
    case DevProcessState::stopped:
    case DevProcessState::failed:
        handleProcessesEnded(projectID, state);
        return;
    }
}

void ProjectStore::handleProcessesRunning(const QUuid &projectID)
{
    const ProjectUsageSessionSource source =
        m_pendingUsageSources.value(projectID, ProjectUsageSessionSource::playButton);
    startUsageTracking(projectID);
    if (const DevProject *project = findProject(projectID))
        m_services.analytics.signal(AnalyticsEvent::processStarted,
                                    analyticsParameters(*project, analyticsSource(source)));
    // A workspace start waits for readiness itself.
    if (source != ProjectUsageSessionSource::startWorkspace)
        notifyDevProcessStartedIfNeeded(projectID);
}

void ProjectStore::handleProcessesEnded(const QUuid &projectID, DevProcessState state)
{
    const DevProject *found = findProject(projectID);
    const std::optional<DevProject> project = found ? std::optional<DevProject>(*found) : std::nullopt;
    const bool startingWorkspace = m_initializingWorkspaces.contains(projectID);
    const bool duringStart = startingWorkspace || m_initializingDevProcesses.contains(projectID);
    const bool endedOnItsOwn = !m_requestedStops.remove(projectID);
    if (state == DevProcessState::failed && project && duringStart) {
        // The source comes from the start that is under way: its usage
        // source was already taken when the processes first ran.
        signalProcessStartFailed(*project,
                                 startingWorkspace ? ProjectUsageSessionSource::startWorkspace
                                                   : ProjectUsageSessionSource::playButton,
                                 u"process-exited-during-start"_s);
    }
    m_pendingUsageSources.remove(projectID);
    m_handledReadinessProjectIDs.remove(projectID);
    m_readinessRunIDs.remove(projectID);
    clearEffectiveLocalURLs(projectID);
    if (project)
        refreshDevicePreview(*project);
    stopUsageTracking(projectID);
    // Whatever the exit codes, a start whose every process ended before the
    // server answered has failed; its readiness wait ends with the run.
    if (duringStart && endedOnItsOwn)
        log(projectID, L10n::text(u"processes_ended_before_ready_log"_s), true);
    if (state == DevProcessState::failed || (duringStart && endedOnItsOwn))
        notifyDevProcessFailed(projectID);
}

DevProcessState ProjectStore::displayProcessState(const DevProject &project) const
{
    if (m_initializingWorkspaces.contains(project.id) || m_initializingDevProcesses.contains(project.id))
        return DevProcessState::starting;
    return m_processStates.value(project.id, DevProcessState::stopped);
}

} // namespace devnook
