#pragma once

#include "ProcessOutputBuffer.h"
#include "core/foundation/Result.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <sys/types.h>

class QSocketNotifier;

namespace devnook {

// One child process of a dev service. It runs as the leader of its own
// process group with /dev/null as standard input, so that signals reach
// everything it starts; its output arrives as whole lines on the main thread.
class DevServiceProcess : public QObject {
    Q_OBJECT

public:
    struct Launch {
        QString program;
        QStringList arguments;
        QString workingDirectory;
        // "NAME=value" entries.
        QStringList environment;
    };

    // How long a line without its line break waits before it is shown.
    static constexpr int kQuietFlushMs = 100;

    // Starts the program and returns once it has been executed; the error is
    // the system's description of why it could not be.
    static Result<std::unique_ptr<DevServiceProcess>> start(const Launch &launch);

    // Closes the pipes; a process still running is left running.
    ~DevServiceProcess() override;

    // The process group, whose identifier is the process's own.
    pid_t processGroup() const { return m_pid; }

    // True until the process has ended, even before its end is handled.
    bool isRunning() const;

    // Sends the signal to every process of the group.
    void signalGroup(int signal) const;

Q_SIGNALS:
    // Emitted with one or more whole lines (line breaks included) read from
    // standard output or standard error.
    void linesRead(const QString &text, bool isError);
    // Emitted once, after the output still in both pipes has been reported.
    // The status is the exit code, or the signal number for a process ended
    // by a signal.
    void exited(int status);

private:
    struct Channel {
        int fd = -1;
        QSocketNotifier *notifier = nullptr;
        ProcessOutputBuffer buffer;
        QTimer quietTimer;
        bool isError = false;
    };

    DevServiceProcess(pid_t pid, int processFd, int outputFd, int errorFd);

    void readChannel(Channel &channel, qsizetype limit);
    void flushPendingLine(Channel &channel);
    void handleProcessFdReadable();
    void closeChannel(Channel &channel);

    pid_t m_pid;
    int m_processFd;
    QSocketNotifier *m_processNotifier = nullptr;
    Channel m_output;
    Channel m_error;
    bool m_hasExited = false;
};

} // namespace devnook
