#include "StoreShellAdapter.h"

#include "core/processes/DevProcessManager.h"
#include "core/processes/ProcessTable.h"
#include "core/store/ProjectStore.h"

#include <algorithm>

namespace devnook {

StoreShellAdapter::StoreShellAdapter(ProjectStore &store, DevProcessManager &processes, PanelServices panel,
                                     QObject *parent)
    : ShellStore(parent), m_store(store), m_processes(processes), m_panel(panel)
{
    connect(&m_store, &ProjectStore::projectsChanged, this, &ShellStore::changed);
    connect(&m_store, &ProjectStore::processStateChanged, this, &ShellStore::changed);
    connect(&m_store, &ProjectStore::initializingChanged, this, &ShellStore::changed);
}

bool StoreShellAdapter::isEmpty() const
{
    return m_store.projects().isEmpty();
}

bool StoreShellAdapter::hasActiveProcesses() const
{
    return m_store.hasActiveProcesses();
}

QStringList StoreShellAdapter::activeProjectNames() const
{
    QStringList names;
    for (const DevProject &project : m_store.projects()) {
        const DevProcessState state = m_store.displayProcessState(project);
        if (state == DevProcessState::starting || state == DevProcessState::running)
            names.append(project.name);
    }
    return names;
}

void StoreShellAdapter::refreshProjectStatuses()
{
    m_store.refreshProjectStatuses();
}

void StoreShellAdapter::holdStatusRefreshes()
{
    m_store.holdStatusRefreshes();
}

void StoreShellAdapter::releaseStatusRefreshes()
{
    m_store.releaseStatusRefreshes();
}

void StoreShellAdapter::stopAllProcesses()
{
    // The groups outlive the shells that lead them, and the manager forgets a
    // process once its shell has exited.
    m_stoppedGroups += m_processes.processGroups();
    m_processes.stopAll();
}

bool StoreShellAdapter::hasLiveStoppedProcesses() const
{
    return std::any_of(m_stoppedGroups.begin(), m_stoppedGroups.end(), ProcessTable::hasLiveMember);
}

void StoreShellAdapter::killStoppedProcesses()
{
    DevProcessManager::killLiveGroups(m_stoppedGroups);
}

void StoreShellAdapter::finishUsageTrackingForQuit()
{
    m_store.finishUsageTrackingForQuit();
}

PanelServices StoreShellAdapter::panelServices()
{
    return m_panel;
}

} // namespace devnook
