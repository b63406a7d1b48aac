#include "DevProcessManager.h"

#include "DevServiceProcess.h"
#include "ProcessTable.h"
#include "core/foundation/Text.h"

#include <QProcessEnvironment>
#include <QTimer>
#include <algorithm>
#include <csignal>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kForcedKillDelayMs = 2000;

} // namespace

DevProcessManager::DevProcessManager(const Clock &clock, LoginShell shell, QObject *parent)
    : QObject(parent), m_clock(clock), m_shell(std::move(shell))
{}

DevProcessManager::~DevProcessManager() = default;

void DevProcessManager::start(const DevProject &project)
{
    if (!m_projectProcessIDs.value(project.id).isEmpty())
        return;
    const QList<ProjectService> services = project.runnableServices();
    if (services.isEmpty()) {
        Q_EMIT stateDidChange(project.id, DevProcessState::stopped);
        return;
    }
    Q_EMIT stateDidChange(project.id, DevProcessState::starting);
    bool anyLaunchFailed = false;
    for (const ProjectService &service : services)
        anyLaunchFailed = !startService(service, project) || anyLaunchFailed;
    // A start whose launches all failed stays failed.
    emitAggregateState(project.id, anyLaunchFailed ? DevProcessState::failed : DevProcessState::stopped);
}

bool DevProcessManager::startService(const ProjectService &service, const DevProject &project)
{
    const QString command = Text::trimmed(service.command);
    if (command.isEmpty() || m_processes.contains(service.id))
        return true;

    appendServiceLog(u"Starting: "_s + command, service, project.id, false);
    const DevServiceProcess::Launch launch{
        m_shell.program(),
        m_shell.arguments(command),
        project.folderPath,
        devCommandEnvironment(QProcessEnvironment::systemEnvironment().toStringList()),
    };
    Result<std::unique_ptr<DevServiceProcess>> started = DevServiceProcess::start(launch);
    if (!started) {
        appendServiceLog(u"Failed to start process: "_s + started.error(), service, project.id, true);
        emitAggregateState(project.id, DevProcessState::failed);
        return false;
    }

    const DevServiceProcess *process = started.value().get();
    const QUuid projectID = project.id;
    connect(process, &DevServiceProcess::linesRead, this,
            [this, service, projectID](const QString &text, bool isError) {
                appendServiceLog(text, service, projectID, isError);
            });
    connect(process, &DevServiceProcess::exited, this,
            [this, serviceID = service.id, process](int status) { handleExit(serviceID, process, status); });

    m_processes.insert_or_assign(service.id, ServiceProcess{service, std::move(started).value()});
    m_processProjectIDs.insert(service.id, project.id);
    m_projectProcessIDs[project.id].insert(service.id);
    emitAggregateState(project.id, DevProcessState::stopped);
    return true;
}

QStringList DevProcessManager::devCommandEnvironment(const QStringList &systemEnvironment)
{
    QStringList environment = LoginShell::environment(systemEnvironment);
    // Through a pipe Python holds its output back until it exits, address
    // line included.
    const bool userChose = std::any_of(environment.cbegin(), environment.cend(), [](const QString &entry) {
        return entry.startsWith(u"PYTHONUNBUFFERED=");
    });
    if (!userChose)
        environment.append(u"PYTHONUNBUFFERED=1"_s);
    return environment;
}

void DevProcessManager::handleExit(const QUuid &serviceID, const DevServiceProcess *process, int status)
{
    const auto found = m_processes.find(serviceID);
    if (found == m_processes.end() || found->second.process.get() != process)
        return;
    const ProjectService service = found->second.service;
    // The process is still emitting the signal that brought us here.
    found->second.process.release()->deleteLater();
    m_processes.erase(found);

    const QUuid projectID = m_processProjectIDs.take(serviceID);
    const auto siblings = m_projectProcessIDs.find(projectID);
    if (siblings != m_projectProcessIDs.end()) {
        siblings->remove(serviceID);
        if (siblings->isEmpty())
            m_projectProcessIDs.erase(siblings);
    }

    const bool wasRequested = m_requestedStops.remove(serviceID);
    // A signal from anyone but us is a failure too: its number is the status.
    const DevProcessState exitState =
        !wasRequested && status != 0 ? DevProcessState::failed : DevProcessState::stopped;
    appendServiceLog(u"Process exited with code "_s + QString::number(status), service, projectID,
                     exitState == DevProcessState::failed);
    emitAggregateState(projectID, exitState);
}

void DevProcessManager::emitAggregateState(const QUuid &projectID, DevProcessState fallbackState)
{
    const QSet<QUuid> serviceIDs = m_projectProcessIDs.value(projectID);
    if (serviceIDs.isEmpty()) {
        Q_EMIT stateDidChange(projectID, fallbackState);
        return;
    }
    const bool anyRunning = std::any_of(serviceIDs.begin(), serviceIDs.end(), [this](const QUuid &serviceID) {
        const auto found = m_processes.find(serviceID);
        return found != m_processes.end() && found->second.process->isRunning();
    });
    Q_EMIT stateDidChange(projectID, anyRunning ? DevProcessState::running : DevProcessState::starting);
}

void DevProcessManager::stop(const QUuid &projectID)
{
    const QSet<QUuid> serviceIDs = m_projectProcessIDs.value(projectID);
    if (serviceIDs.isEmpty()) {
        Q_EMIT stateDidChange(projectID, DevProcessState::stopped);
        return;
    }
    appendLog(u"Stopping process"_s, projectID, false);
    for (const QUuid &serviceID : serviceIDs) {
        const auto found = m_processes.find(serviceID);
        if (found == m_processes.end())
            continue;
        m_requestedStops.insert(serviceID);
        DevServiceProcess &process = *found->second.process;
        process.closeInput();
        process.signalGroup(SIGTERM);
        QTimer::singleShot(kForcedKillDelayMs, this, [this, projectID, group = process.processGroup()] {
            forceKillIfAlive(projectID, group);
        });
    }
}

void DevProcessManager::stopAll()
{
    const QList<QUuid> projectIDs = m_projectProcessIDs.keys();
    for (const QUuid &projectID : projectIDs)
        stop(projectID);
}

QList<pid_t> DevProcessManager::processGroups() const
{
    QList<pid_t> groups;
    for (const auto &[serviceID, entry] : m_processes)
        groups.append(entry.process->processGroup());
    return groups;
}

void DevProcessManager::killLiveGroups(const QList<pid_t> &groups)
{
    for (const pid_t group : groups) {
        if (ProcessTable::hasLiveMember(group))
            ::kill(-group, SIGKILL);
    }
}

// The shell may have ended on the terminate signal while what it started
// ignores it; anything of the group still alive is what keeps the port.
void DevProcessManager::forceKillIfAlive(const QUuid &projectID, pid_t processGroup)
{
    if (!ProcessTable::hasLiveMember(processGroup))
        return;
    appendLog(u"Process did not stop after terminate. Forcing kill."_s, projectID, true);
    ::kill(-processGroup, SIGKILL);
}

} // namespace devnook
