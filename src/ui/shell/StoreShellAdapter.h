#pragma once

#include "ShellStore.h"

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
    void stopAllProcesses() override;
    void finishUsageTrackingForQuit() override;
    PanelServices panelServices() override;

private:
    ProjectStore &m_store;
    DevProcessManager &m_processes;
    PanelServices m_panel;
};

} // namespace devnook
