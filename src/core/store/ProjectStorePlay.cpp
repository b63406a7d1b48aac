#include "PortConflictAsker.h"
#include "ProjectStore.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Wakeup.h"
#include "core/processes/DevProcessManager.h"
#include "core/processes/PortInspectionService.h"

#include <QCoroTimer>
#include <QPointer>
#include <chrono>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace devnook {

namespace {

// The pause between a restart's stop and its start.
constexpr std::chrono::milliseconds kRestartDelay = 350ms;
// How long a restart waits for the old processes to go: past the forced kill
// that follows a stop after 2 seconds.
constexpr std::chrono::milliseconds kRestartStopBound = 3000ms;

bool isActive(DevProcessState state)
{
    return state == DevProcessState::starting || state == DevProcessState::running;
}

QStringList conflictArguments(const PortConflictInfo &conflict)
{
    return {QString::number(conflict.port), conflict.processName, QString::number(conflict.pid)};
}

} // namespace

void ProjectStore::toggleDevProcess(const DevProject &project)
{
    const DevProcessState state = m_processStates.value(project.id, DevProcessState::stopped);
    setInitializing(m_initializingWorkspaces, project.id, false);
    if (isActive(state)) {
        setInitializing(m_initializingDevProcesses, project.id, false);
        stopProcesses(project.id);
        markUsed(project);
        return;
    }
    // A start refused at the port check leaves the last use alone.
    if (startDevProcess(project))
        markUsed(project);
}

void ProjectStore::restartDevProcess(const DevProject &project)
{
    stopProcesses(project.id);
    restartWhenStopped(project);
}

void ProjectStore::stopProcesses(const QUuid &projectID)
{
    m_requestedStops.insert(projectID);
    m_services.processManager.stop(projectID);
}

QCoro::Task<> ProjectStore::restartWhenStopped(DevProject project)
{
    QPointer<ProjectStore> self(this);
    const auto deadline = std::chrono::steady_clock::now() + kRestartStopBound;
    const QUuid stoppedRun = m_readinessRunIDs.value(project.id);
    co_await QCoro::sleepFor(kRestartDelay);
    if (!self)
        co_return;
    // Starting while the old server still holds its port would only ask the
    // user about our own process, or start nothing at all.
    while (isActive(m_processStates.value(project.id, DevProcessState::stopped))) {
        // Another start, a second restart's for one, has taken over.
        const QUuid currentRun = m_readinessRunIDs.value(project.id);
        if (!currentRun.isNull() && currentRun != stoppedRun)
            co_return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= 0ms) {
            log(project.id, L10n::text(u"restart_processes_still_running_log"_s), true);
            co_return;
        }
        // Any report of the manager ends the wait early; it sends several at once.
        Wakeup reported;
        connect(&m_services.processManager, &DevProcessManager::stateDidChange, &reported, &Wakeup::wake);
        co_await reported.wait(left);
        if (!self)
            co_return;
    }
    if (startDevProcess(project))
        markUsed(project);
}

bool ProjectStore::startDevProcess(const DevProject &project)
{
    if (!ensurePortAvailable(project)) {
        signalProcessStartFailed(project, ProjectUsageSessionSource::playButton, u"start-blocked"_s);
        return false;
    }
    m_pendingUsageSources.insert(project.id, ProjectUsageSessionSource::playButton);
    setInitializing(m_initializingDevProcesses, project.id, true);
    m_handledReadinessProjectIDs.remove(project.id);
    m_readinessRunIDs.insert(project.id, QUuid::createUuid());
    m_services.processManager.start(project);
    return true;
}

bool ProjectStore::ensurePortAvailable(const DevProject &project)
{
    // Only the first occupied port is asked about; the start then goes ahead
    // or not as a whole.
    for (const int port : PortInspectionService::portsToInspect(project)) {
        const auto listener = m_services.ports.listener(port);
        if (!listener)
            continue;
        const PortConflictInfo conflict{port, listener->pid, listener->processName};
        switch (resolvePortConflict(conflict, project)) {
        case PortConflictResolution::cancel:
            return false;
        case PortConflictResolution::continueAnyway:
            m_continuedDespitePortConflict.insert(project.id, conflict);
            log(project.id, L10n::format(u"port_conflict_continue_log"_s, {QString::number(port)}));
            return true;
        case PortConflictResolution::freePort:
            return freePort(project.id, conflict);
        }
    }
    return true;
}

PortConflictResolution ProjectStore::resolvePortConflict(const PortConflictInfo &conflict,
                                                         const DevProject &project)
{
    QStringList arguments = conflictArguments(conflict);
    log(project.id, L10n::format(u"port_conflict_log"_s, arguments), true);
    arguments.append(project.name);
    PortConflictQuestion question;
    question.title = L10n::text(u"port_conflict_title"_s);
    question.message = L10n::format(u"port_conflict_message"_s, arguments);
    question.closeButton = L10n::text(u"port_conflict_close"_s);
    question.freePortButton = L10n::text(u"port_conflict_free_port"_s);
    question.continueAnywayButton = L10n::text(u"port_conflict_continue_anyway"_s);
    return m_services.portConflictAsker.ask(question);
}

bool ProjectStore::freePort(const QUuid &projectID, const PortConflictInfo &conflict)
{
    // Whoever holds the port right after the listener went counts: the port
    // is not free.
    const bool freed =
        m_services.ports.terminateProcess(conflict.pid) && !m_services.ports.listener(conflict.port);
    const QString key = freed ? u"port_conflict_free_port_success"_s : u"port_conflict_free_port_failed"_s;
    log(projectID, L10n::format(key, conflictArguments(conflict)), !freed);
    return freed;
}

void ProjectStore::clearEffectiveLocalURLs(const QUuid &projectID)
{
    bool changed = m_effectiveLocalURLs.remove(projectURLKey(projectID));
    if (const DevProject *project = findProject(projectID)) {
        for (const ProjectService &service : project->services)
            changed = m_effectiveLocalURLs.remove(serviceURLKey(service.id)) || changed;
    }
    if (changed)
        Q_EMIT effectiveLocalURLsChanged();
}

} // namespace devnook
