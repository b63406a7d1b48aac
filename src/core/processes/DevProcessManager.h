#pragma once

#include "DevProcessLogLine.h"
#include "DevProcessState.h"
#include "LoginShell.h"
#include "core/projects/DevProject.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>
#include <map>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace devnook {

class Clock;
class DevServiceProcess;

// Runs the dev commands of projects through the login shell, keeps each
// project's log in memory and reports one state per project. Used on the main
// thread only; every report is made synchronously, inside the call that
// caused it or when a child's output or exit is handled.
//
// start, stop and stopAll are virtual so that the store's tests can replace
// the child processes; the log operations are the real ones everywhere.
class DevProcessManager : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxLogLines = 500;

    // The clock dates the log lines.
    explicit DevProcessManager(const Clock &clock, LoginShell shell = LoginShell::system(),
                               QObject *parent = nullptr);
    // Running children are left running, as when the application quits.
    ~DevProcessManager() override;

    // Launches every runnable service of the project that is not running yet;
    // does nothing while the project has registered processes.
    virtual void start(const DevProject &project);

    // Asks every process of the project to end: closes each service's
    // standard input, sends the terminate signal to its process group, and
    // the kill signal 2 seconds later to a group that still has a live
    // process.
    virtual void stop(const QUuid &projectID);

    // stop for every project with registered processes.
    virtual void stopAll();

    // The process group of every registered process.
    QList<pid_t> processGroups() const;

    // Sends the kill signal now to each group that still has a live process;
    // for the quit, which cannot wait for stop's own forced kill.
    static void killLiveGroups(const QList<pid_t> &groups);

    // Empties the project's log and reports the empty log.
    void clearLogs(const QUuid &projectID);

    // Appends every non-blank line of the text to the project's log, keeping
    // the newest kMaxLogLines, and reports the whole log. Blank text changes
    // nothing and reports nothing.
    void appendLog(const QString &text, const QUuid &projectID, bool isError,
                   const std::optional<QUuid> &serviceID = std::nullopt,
                   const std::optional<QString> &serviceName = std::nullopt);

    // The project's log, oldest first; empty when it has none.
    QList<DevProcessLogLine> logs(const QUuid &projectID) const;

    // The environment of a dev command: the login shell's, with Python's
    // output unbuffered unless the given environment says otherwise.
    static QStringList devCommandEnvironment(const QStringList &systemEnvironment);

Q_SIGNALS:
    // Emitted for every state report of a project, also when it repeats.
    void stateDidChange(const QUuid &projectID, devnook::DevProcessState state);
    // Emitted with the project's whole log after every change of it.
    void logsDidChange(const QUuid &projectID, const QList<devnook::DevProcessLogLine> &lines);

private:
    // False when the launch failed.
    bool startService(const ProjectService &service, const DevProject &project);
    void appendServiceLog(const QString &text, const ProjectService &service, const QUuid &projectID,
                          bool isError);
    void emitAggregateState(const QUuid &projectID, DevProcessState fallbackState);
    void handleExit(const QUuid &serviceID, const DevServiceProcess *process, int status);
    void forceKillIfAlive(const QUuid &projectID, pid_t processGroup);

    // A launched process and the service it runs, kept until its exit has
    // been handled.
    struct ServiceProcess {
        ProjectService service;
        std::unique_ptr<DevServiceProcess> process;
    };

    const Clock &m_clock;
    LoginShell m_shell;
    std::map<QUuid, ServiceProcess> m_processes;
    QHash<QUuid, QUuid> m_processProjectIDs;
    QHash<QUuid, QSet<QUuid>> m_projectProcessIDs;
    QHash<QUuid, QList<DevProcessLogLine>> m_logs;
    QSet<QUuid> m_requestedStops;
};

} // namespace devnook
