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
// process group, so that signals reach everything it starts, with the read
// end of a pipe as standard input that stays open and empty, as a terminal's
// would, so that a server that stops at the end of its input keeps serving.
// Its output arrives as whole lines on the main thread.
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

    // How long the start of a line waits for its line break before it is
    // shown, also while more of the line keeps coming.
    static constexpr int kPendingLineFlushMs = 100;

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

    // Closes standard input, so that a service reading it sees its end.
    void closeInput();

Q_SIGNALS:
    // Emitted with one or more whole lines (line breaks included) read from
    // standard output or standard error.
    void linesRead(const QString &text, bool isError);
    // Emitted once, after the output still in both pipes has been reported.
    // The status is the exit code, or the number of the signal that ended
    // the process.
    void exited(int status);

private:
    struct Channel {
        int fd = -1;
        QSocketNotifier *notifier = nullptr;
        ProcessOutputBuffer buffer;
        QTimer pendingLineTimer;
        bool isError = false;
    };

    DevServiceProcess(pid_t pid, int processFd, int inputFd, int outputFd, int errorFd);

    void readChannel(Channel &channel, qsizetype limit);
    void flushPendingLine(Channel &channel);
    void handleProcessFdReadable();
    void closeChannel(Channel &channel);

    pid_t m_pid;
    int m_processFd;
    // The write end of the child's standard input; never written.
    int m_inputFd;
    QSocketNotifier *m_processNotifier = nullptr;
    Channel m_output;
    Channel m_error;
    bool m_hasExited = false;
};

} // namespace devnook
