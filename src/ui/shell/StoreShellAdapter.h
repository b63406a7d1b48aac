#pragma once

#include "ShellStore.h"

#include <sys/types.h>

namespace devnook {

class DevProcessManager;
class ProjectStore;

// The shell's view of the project store.
class StoreShellAdapter final : public ShellStore {
    Q_OBJECT

public:
    StoreShellAdapter(ProjectStore &store, DevProcessManager &processes, PanelServices panel,
                      QObject *parent = nullptr);

    bool isEmpty() const override;
    bool hasActiveProcesses() const override;
    QStringList activeProjectNames() const override;
    void refreshProjectStatuses() override;
    void holdStatusRefreshes() override;
    void releaseStatusRefreshes() override;
    void stopAllProcesses() override;
    bool hasLiveStoppedProcesses() const override;
    void killStoppedProcesses() override;
    void finishUsageTrackingForQuit() override;
    PanelServices panelServices() override;

private:
    ProjectStore &m_store;
    DevProcessManager &m_processes;
    QList<pid_t> m_stoppedGroups;
    PanelServices m_panel;
};

} // namespace devnook
