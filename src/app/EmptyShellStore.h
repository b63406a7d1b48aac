#pragma once

#include "ui/shell/ShellStore.h"

namespace devnook {

// The shell's view of a catalogue that holds no project, until the project
// store is wired in.
class EmptyShellStore final : public ShellStore {
    Q_OBJECT

public:
    using ShellStore::ShellStore;

    bool isEmpty() const override { return true; }
    bool hasActiveProcesses() const override { return false; }
    QStringList activeProjectNames() const override { return {}; }
    void refreshProjectStatuses() override {}
    void stopAllProcesses() override {}
    void finishUsageTrackingForQuit() override {}
};

} // namespace devnook
