#include "StoreShellAdapter.h"

#include "core/processes/DevProcessManager.h"
#include "core/store/ProjectStore.h"

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

void StoreShellAdapter::stopAllProcesses()
{
    m_processes.stopAll();
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
