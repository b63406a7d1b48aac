#pragma once

#include "ProjectUsageSession.h"
#include "UsageFileWorker.h"
#include "UsagePeriodTally.h"
#include "UsagePeriods.h"
#include "UsageRecords.h"
#include "core/foundation/Result.h"
#include "core/projects/DevProject.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUuid>
#include <chrono>
#include <optional>

namespace devnook {

class Clock;

// Measures the time spent on each project. While a project runs it keeps one
// open session for it in memory, checkpointed to a small file every minute;
// pausing, stopping and quitting turn the time so far into completed
// sessions, cut at local midnights, and rewrite the session file with the
// whole list. The files are read and written on a worker thread. Used on the
// main thread; every time is passed in by the caller.
class UsageTrackingService final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kCheckpointInterval{60000};

    // Starts reading <dataHome>/Devnook/usage_sessions.json, and the
    // checkpoint of a run that ended without stopping its sessions, which are
    // recorded up to their last checkpoint. A damaged file is copied aside
    // before anything can overwrite it, and every session that reads is
    // loaded. Sessions recorded before the reading is done are kept after
    // the stored ones. The clock dates the copy and is the "now" of
    // summaries(projects).
    // With Reading::later, the reading starts at startReading(): the
    // application's launch puts it after the panel's first paint.
    enum class Reading { now, later };
    UsageTrackingService(QString dataHome, const Clock &clock,
                         std::chrono::milliseconds checkpointInterval = kCheckpointInterval,
                         Reading reading = Reading::now, QObject *parent = nullptr);
    // Waits for the last write.
    ~UsageTrackingService() override;

    QString sessionsFilePath() const;
    QString checkpointFilePath() const;

    // Starts reading the files; once only.
    void startReading();
    // True once the files have been read.
    bool isLoaded() const { return m_loaded; }
    // Blocks until every read and write asked for so far is done and its
    // outcome handled. For quit and sleep.
    void waitForFiles();

    // What is wrong with the usage history, as the user should read it: the
    // last failure to write the history, and the checkpoint's, each until
    // that file is written, then what the reading found (a file that could
    // not be read, sessions that could not, where a damaged file was copied,
    // also when a later write made the copy, or that it is not copied aside
    // yet) and the sessions left uncounted or kept as stored. Empty when
    // all is well.
    QString fileProblem() const;
    // The user has read fileProblem: what it says now is dropped. A write
    // that fails later, and a damaged file still not copied aside, which
    // fails every write, report again.
    void dismissFileProblem();

    // Sessions kept in the file exactly as stored but left out of every
    // figure: reversed, longer than a year, or outside the plausible years.
    const QList<ProjectUsageSession> &uncountedSessions() const { return m_uncountedSessions; }

    // Opens a session for the project unless it already has one, which then
    // goes on with its first start time and source. Saves nothing; the
    // checkpoint holds it from the next minute on.
    void start(const DevProject &project, ProjectUsageSessionSource source, Timestamp at);

    // Records the running stretch up to the time (never before its start) and
    // keeps the session open as paused; saves. Does nothing without a running
    // session. A save that fails shows in fileProblem; what it held stays in
    // memory and goes with the next save, here and in every change below.
    void pause(const QUuid &projectID, Timestamp at);

    // Opens a fresh stretch at the time, or at the pause's start when the time
    // is earlier. Does nothing without a paused session. Saves nothing.
    void resume(const QUuid &projectID, Timestamp at);

    // Closes the project's session. A running one is recorded up to the time
    // and saved; the result is its last recorded piece. A paused one records
    // nothing more and saves nothing.
    std::optional<ProjectUsageSession> stop(const QUuid &projectID, Timestamp at);

    // Stops every open session at the time, as at quit, and waits until the
    // history is written.
    void stopAll(Timestamp at);

    // The live state of the project's session at the moment.
    UsageTrackingState trackingState(const QUuid &projectID, Timestamp now) const;

    // Drops the project's open session unrecorded and all its completed,
    // uncounted and kept sessions; saves. A clear before the files are read
    // holds: what they bring of the project, the last run's checkpoint
    // included, is dropped as it comes in; what is recorded after the clear
    // stays.
    void clearSessions(const QUuid &projectID);

    // Gives the completed session new times (in either order) and no pause,
    // cut at local midnights; equal times remove it. The result is the edited
    // session as one record, nothing when no session has the id. A failed
    // save shows in fileProblem; the edit stays in memory.
    std::optional<ProjectUsageSession> updateSession(const QUuid &id, Timestamp startedAt, Timestamp endedAt);

    // The project's sessions at the moment with at least the threshold of
    // tracked seconds, latest start first.
    QList<ProjectUsageSession> longSessions(const QUuid &projectID, double threshold, Timestamp now) const;

    // Every completed session, earliest start first as loaded or edited, with
    // sessions recorded since appended.
    const QList<ProjectUsageSession> &completedSessions() const { return m_completedSessions; }

    // Visits every session at the moment: the completed ones where they are
    // stored, then the pieces that the running (not paused) sessions would
    // record now, which get new ids on every call. Nothing is copied, so a
    // running project costs no more than its own pieces.
    template <typename Visit> void forEachSession(Timestamp now, Visit &&visit) const
    {
        for (const ProjectUsageSession &session : m_completedSessions)
            visit(session);
        for (const ProjectUsageSession &piece : livePieces(std::nullopt, now))
            visit(piece);
    }

    // The same for the sessions of one project.
    template <typename Visit>
    void forEachSessionOf(const QUuid &projectID, Timestamp now, Visit &&visit) const
    {
        for (const ProjectUsageSession &session : m_completedSessions) {
            if (session.projectID == projectID)
                visit(session);
        }
        for (const ProjectUsageSession &piece : livePieces(projectID, now))
            visit(piece);
    }

    // The project's figures today, this week, this month and in total, live
    // pieces included and nothing after now.
    ProjectUsageSummary summary(const QUuid &projectID, const UsageCalendar &calendar, Timestamp now) const;

    // The summary of each listed project, in the user's calendar at the clock's time.
    QHash<QUuid, ProjectUsageSummary> summaries(const QList<DevProject> &projects) const;

    // The interval of a rolling period, ending now. The period all starts at
    // the day of the earliest completed session (kept, not searched for), or
    // 29 days before today when there is none.
    PeriodRange periodRange(UsageRollupPeriod period, const UsageCalendar &calendar, Timestamp now) const;

    // The interval of a custom range: from the start of its earlier day to
    // the last second of its later day.
    static PeriodRange periodRange(const UsageDateRange &range, const UsageCalendar &calendar);

    // The sessions at the moment (forEachSession) that overlap the interval:
    // those ending after its start and starting no later than its end,
    // unclipped.
    QList<ProjectUsageSession> sessionsInPeriod(const PeriodRange &range, Timestamp now) const;
    QList<ProjectUsageSession> sessionsInPeriod(const QUuid &projectID, const PeriodRange &range,
                                                Timestamp now) const;

    // Every figure of the interval over the sessions at the moment, counted
    // in one pass; with a project, over its sessions only.
    UsagePeriodTally tally(const PeriodRange &range, const UsageCalendar &calendar, Timestamp now) const;
    UsagePeriodTally tally(const QUuid &projectID, const PeriodRange &range, const UsageCalendar &calendar,
                           Timestamp now) const;

    // The overview's highlight figures over every session of the period,
    // deleted projects included.
    UsagePeriodHighlightStats periodHighlightStats(UsageRollupPeriod period, const UsageCalendar &calendar,
                                                   Timestamp now) const;
    UsagePeriodHighlightStats periodHighlightStats(const UsageDateRange &range, const UsageCalendar &calendar,
                                                   Timestamp now) const;

    // The period's tracked time by project, client or stack, longest first
    // (ties by label, ignoring case), coloured with the listed projects'
    // client colours, the known stack colours or the palette.
    QList<UsageDistributionSlice> distributionSlices(UsageDistributionDimension dimension,
                                                     const QList<DevProject> &projects,
                                                     UsageRollupPeriod period, const UsageCalendar &calendar,
                                                     Timestamp now) const;
    QList<UsageDistributionSlice> distributionSlices(UsageDistributionDimension dimension,
                                                     const QList<DevProject> &projects,
                                                     const UsageDateRange &range,
                                                     const UsageCalendar &calendar, Timestamp now) const;

    // The period's tracked time per project and recorded name, longest first
    // (ties by name, ignoring case), with the listed project's client.
    QList<UsageProjectTableRow> projectTableRows(const QList<DevProject> &projects, UsageRollupPeriod period,
                                                 const UsageCalendar &calendar, Timestamp now) const;
    QList<UsageProjectTableRow> projectTableRows(const QList<DevProject> &projects,
                                                 const UsageDateRange &range, const UsageCalendar &calendar,
                                                 Timestamp now) const;

    // The overview's figures over the interval, each as the queries above
    // give it, from one pass over the sessions.
    UsageOverviewFigures overviewFigures(UsageDistributionDimension distributionDimension,
                                         UsageDistributionDimension tableDimension,
                                         const QList<DevProject> &projects, const PeriodRange &range,
                                         const UsageCalendar &calendar, Timestamp now) const;

    // The summary a user copies from a project's usage view: a title line,
    // the figures, and a note on how time is tracked.
    static QString copySummary(const QString &projectName, const ProjectUsageSummary &summary);

    // The bytes of an export file of the sessions, in the given order. Fails
    // when a session holds a value that JSON cannot carry back.
    static Result<QByteArray> exportSessions(const QList<ProjectUsageSession> &sessions,
                                             UsageExportFormat format);

Q_SIGNALS:
    // Emitted on the main thread once the stored and recovered sessions are in.
    void sessionsLoaded();
    // Emitted when fileProblem changed.
    void fileProblemChanged();

private:
    struct ActiveSession {
        QUuid projectID;
        QString projectName;
        QString client;
        QString stack;
        ProjectUsageSessionSource source = ProjectUsageSessionSource::playButton;
        // Start of the stretch not yet recorded.
        Timestamp startedAt;
        double pausedDuration = 0.0;
        // Present exactly while paused.
        std::optional<Timestamp> pausedAt;
        // The id the open stretch is recorded under, also in the checkpoint,
        // so that a stretch found in both files is recorded once.
        QUuid stretchID = QUuid::createUuid();

        double trackedDuration(Timestamp at) const;
    };

    // The pieces the running sessions (of one project, or all) would record now.
    QList<ProjectUsageSession> livePieces(const std::optional<QUuid> &projectID, Timestamp now) const;
    // Keeps the earliest start of the completed sessions after a change that
    // may have removed it.
    void findEarliestStart();
    // Removes the completed, uncounted and kept sessions of the projects.
    void removeSessionsOf(const QSet<QUuid> &projectIDs);

    // UsageTrackingServiceFile.cpp
    void loaded(const UsageLoadOutcome &outcome);
    void written(const UsageWriteOutcome &outcome);
    // Marks a save as due; it is handed to the worker once the current work
    // on this thread is done, so a burst of changes (every project paused at
    // once) costs one snapshot and one write. Before the files are read, it
    // waits for them.
    void saveSessions();
    // Hands the history and the checkpoint to the worker, when a save is due.
    void handOverSave();
    void writeCheckpoint();
    QList<ProjectUsageSession> runningStretches(Timestamp now) const;
    // Emits fileProblemChanged, and writes the problem to standard error,
    // when fileProblem is no longer what was last reported.
    void reportFileProblem();

    // The stretch from the session's start to the end (never before the
    // start), as one session under the stretch's id.
    static ProjectUsageSession stretchOf(const ActiveSession &session, Timestamp endedAt);
    // The running stretch cut at local midnights, under an id of its own on
    // every call; nothing when it holds no tracked time or cannot be counted.
    static QList<ProjectUsageSession> completedSegments(const ActiveSession &session, Timestamp endedAt);
    // Stores the session: cut into completedSessions when countable, kept
    // whole among the uncounted ones when not. The result is the pieces stored.
    QList<ProjectUsageSession> record(const ProjectUsageSession &session);
    void updateCheckpointTimer();

    QString m_dataHome;
    const Clock &m_clock;
    QHash<QUuid, ActiveSession> m_activeSessions;
    QList<ProjectUsageSession> m_completedSessions;
    QList<ProjectUsageSession> m_uncountedSessions;
    // Sessions of a source this version does not know: in no figure, and
    // written back as they were read.
    QList<SessionKeptAsStored> m_sessionsKeptAsStored;
    // The earliest start among m_completedSessions, where the period all begins.
    std::optional<Timestamp> m_earliestStart;
    // Projects cleared before the files were read, whose stored sessions are
    // dropped as they come in.
    QSet<QUuid> m_clearedBeforeLoading;
    bool m_readingStarted = false;
    bool m_loaded = false;
    bool m_saveDue = false;
    // What the reading found in each file, a damaged history or checkpoint
    // not yet copied aside, the last failure to write each file, and the
    // problem last reported.
    QString m_historyReadProblem;
    QString m_checkpointReadProblem;
    QString m_asideProblem;
    QString m_checkpointAsideProblem;
    QString m_historyWriteProblem;
    QString m_checkpointWriteProblem;
    // Set once the user has read of the uncounted and kept sessions.
    bool m_sessionNotesDismissed = false;
    QString m_reportedProblem;
    QTimer m_checkpointTimer{this};
    QTimer m_saveTimer{this};
    UsageFileWorker m_files;
};

} // namespace devnook
