#pragma once

#include "ui/panel/PanelStore.h"

#include <QObject>
#include <QStringList>

namespace devnook {

// What the shell needs of the project store.
class ShellStore : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // True when the catalogue holds no project at all.
    virtual bool isEmpty() const = 0;
    // True when any project's processes are starting or running.
    virtual bool hasActiveProcesses() const = 0;
    // Names of the projects whose processes are starting or running, in the
    // store's order.
    virtual QStringList activeProjectNames() const = 0;
    // Starts a refresh of every project's git, .env and usage state; returns
    // at once.
    virtual void refreshProjectStatuses() = 0;
    // Until the release, refreshes asked for only wait; the release starts
    // one when any was asked for.
    virtual void holdStatusRefreshes() = 0;
    virtual void releaseStatusRefreshes() = 0;
    // Sends every running process the terminate signal; does not wait.
    virtual void stopAllProcesses() = 0;
    // True while a process group that stopAllProcesses signalled still has a
    // live process.
    virtual bool hasLiveStoppedProcesses() const = 0;
    // Sends the kill signal to what stopAllProcesses signalled and is still
    // alive.
    virtual void killStoppedProcesses() = 0;
    // Ends every running usage session now and writes them; once per quit.
    virtual void finishUsageTrackingForQuit() = 0;
    // The store and the desktop services as the panel sees them.
    virtual PanelServices panelServices() = 0;

Q_SIGNALS:
    // Emitted when the projects or their process states changed.
    void changed();
};

} // namespace devnook
