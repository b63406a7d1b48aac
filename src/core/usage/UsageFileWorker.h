#pragma once

#include "ProjectUsageSession.h"
#include "UsageCalendar.h"
#include "core/foundation/Result.h"
#include "core/foundation/SetAsideRecords.h"
#include "core/foundation/Timestamp.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QWaitCondition>
#include <functional>
#include <optional>

namespace devnook {

// What the session file and the checkpoint file held at start.
struct UsageLoadOutcome {
    // The countable sessions, cut at local midnights and sorted by start.
    QList<ProjectUsageSession> counted;
    // Sessions kept as they were read but left out of every figure: reversed,
    // longer than a year, or outside the plausible years.
    QList<ProjectUsageSession> uncounted;
    // Session objects of a source this version does not know, as stored.
    QList<SessionKeptAsStored> keptAsStored;
    // Session objects that could not be read, and why.
    SetAsideRecords unreadable;
    // Where the damaged file was copied, or why that failed.
    QString asidePath;
    QString asideError;
    // Why the file could not be read at all; empty when it was read or absent.
    QString readError;
    // Why the checkpoint file could not be read at all: something other than
    // a regular file is in its place, or it cannot be opened.
    QString checkpointError;
    // Its session objects that could not be read, and where the damaged
    // checkpoint was copied, or why that failed.
    SetAsideRecords checkpointUnreadable;
    QString checkpointAsidePath;
    QString checkpointAsideError;
    // The running sessions of a run that ended without stopping them, each
    // ending at its last checkpoint, less those the history already holds.
    QList<ProjectUsageSession> recovered;
    // Those of them whose source this version does not know, as stored.
    QList<SessionKeptAsStored> recoveredAsStored;
};

// What the session file holds.
struct UsageHistory {
    QList<ProjectUsageSession> counted;
    QList<ProjectUsageSession> uncounted;
    QList<SessionKeptAsStored> keptAsStored = {};
};

// One write: the whole history, the running sessions' checkpoint, or both.
struct UsageFileJob {
    std::optional<UsageHistory> history;
    // An empty list removes the checkpoint file.
    std::optional<QList<ProjectUsageSession>> checkpoint;
    // Dates the copy of a damaged file.
    Timestamp now;
};

// What one job did to each file: the error, empty when the file was
// written, and nothing for a file the job left alone; and where a damaged
// file that could not be copied aside before was copied by this job.
struct UsageWriteOutcome {
    std::optional<QString> historyError;
    std::optional<QString> checkpointError;
    QString historyAsidePath;
    QString checkpointAsidePath;
};

// Reads and writes the session file and the checkpoint file on a worker
// thread, one job at a time in the order asked; a job asked for while
// another waits replaces it, so the latest state always wins. The outcomes
// come back on the thread of the context object.
class UsageFileWorker {
public:
    UsageFileWorker(QString historyPath, QString checkpointPath, QObject &context);
    // Waits for the job under way and the one waiting.
    ~UsageFileWorker();

    UsageFileWorker(const UsageFileWorker &) = delete;
    UsageFileWorker &operator=(const UsageFileWorker &) = delete;

    // Reads both files; onLoaded receives what they held. A damaged file is
    // copied aside first; while that copy fails, writes of that file (the
    // checkpoint's removal too) are refused so that it survives.
    void load(Timestamp now, const UsageCalendar &calendar, std::function<void(UsageLoadOutcome)> onLoaded);

    // Writes the history first, then the checkpoint, which is left alone
    // when the history could not be written. onWritten receives, once per
    // job written, what became of each file.
    void write(UsageFileJob job);
    void setOnWritten(std::function<void(UsageWriteOutcome)> onWritten)
    {
        m_onWritten = std::move(onWritten);
    }

    // Blocks until every job is done and its outcome delivered, also the
    // jobs that the outcomes ask for.
    void waitForIdle();

private:
    void drain();
    // Runs the outcome on the context's thread.
    void deliver(std::function<void()> outcome);
    UsageLoadOutcome readFiles(Timestamp now, const UsageCalendar &calendar);
    // Adds the checkpoint's sessions that the history does not hold to the outcome.
    void readCheckpoint(UsageLoadOutcome &outcome, const QSet<QUuid> &storedIDs, Timestamp now);
    UsageWriteOutcome writeFiles(UsageFileJob &job);
    // Each write first copies aside the damaged file that could not be
    // copied so far, if it is still there, and gives the copy's path.
    QString writeHistory(UsageFileJob &job, QString &asidePath);
    // Writes the running stretches; none removes the file.
    QString writeCheckpoint(const QList<ProjectUsageSession> &stretches, Timestamp now, QString &asidePath);
    // The copy's path, or the error.
    Result<QString> keepDamagedHistory(Timestamp now);
    Result<QString> keepDamagedCheckpoint(Timestamp now);

    const QString m_historyPath;
    const QString m_checkpointPath;
    QObject &m_context;
    std::function<void(UsageWriteOutcome)> m_onWritten;
    QThreadPool m_pool;

    QMutex m_mutex;
    QWaitCondition m_idle;
    std::optional<UsageFileJob> m_pending;
    bool m_running = false;
    // Outcomes posted to the context and not yet run.
    int m_undelivered = 0;

    // Worker thread only. Set while a damaged history could not be copied
    // aside; each write retries the copy and refuses to overwrite the file
    // until it succeeds.
    bool m_damagedHistoryAtRisk = false;
    // The same for a damaged checkpoint, which is not removed either.
    bool m_damagedCheckpointAtRisk = false;
};

} // namespace devnook
