#pragma once

#include "ProjectUsageSession.h"
#include "UsagePeriods.h"
#include "UsageRecords.h"
#include "core/foundation/Result.h"
#include "core/projects/DevProject.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

class Clock;

// Measures the time spent on each project. While a project runs it keeps one
// open session for it in memory; pausing, stopping and quitting turn the time
// so far into completed sessions, cut at local midnights, and rewrite the
// session file with the whole list. Main thread only; every time is passed in
// by the caller.
class UsageTrackingService {
public:
    // Loads <dataHome>/Devnook/usage_sessions.json. A missing file, or one that
    // cannot be read or decoded, gives an empty list; a damaged file is first
    // copied aside so that no later save can destroy it. The clock dates that
    // copy and is the "now" of summaries(projects).
    UsageTrackingService(QString dataHome, const Clock &clock);

    UsageTrackingService(const UsageTrackingService &) = delete;
    UsageTrackingService &operator=(const UsageTrackingService &) = delete;

    QString sessionsFilePath() const;

    // Opens a session for the project unless it already has one, which then
    // goes on with its first start time and source. Saves nothing.
    void start(const DevProject &project, ProjectUsageSessionSource source, Timestamp at);

    // Records the running stretch up to the time (never before its start) and
    // keeps the session open as paused; saves, ignoring a save error. Does
    // nothing without a running session.
    void pause(const QUuid &projectID, Timestamp at);

    // Opens a fresh stretch at the time, or at the pause's start when the time
    // is earlier. Does nothing without a paused session. Saves nothing.
    void resume(const QUuid &projectID, Timestamp at);

    // Closes the project's session. A running one is recorded up to the time
    // and saved (a save error is ignored); the result is its last recorded
    // piece. A paused one records nothing more and saves nothing.
    std::optional<ProjectUsageSession> stop(const QUuid &projectID, Timestamp at);

    // Stops every open session at the time, as at quit.
    void stopAll(Timestamp at);

    // The live state of the project's session at the moment.
    UsageTrackingState trackingState(const QUuid &projectID, Timestamp now) const;

    // Drops the project's open session unrecorded and all its completed
    // sessions; saves, ignoring a save error.
    void clearSessions(const QUuid &projectID);

    // Gives the completed session new times (in either order) and no pause,
    // cut at local midnights; equal times remove it. The result is the edited
    // session as one record, nothing when no session has the id, or the save
    // error (the edit stays in memory).
    Result<std::optional<ProjectUsageSession>> updateSession(const QUuid &id, Timestamp startedAt,
                                                             Timestamp endedAt);

    // The project's sessions at the moment with at least the threshold of
    // tracked seconds, latest start first.
    QList<ProjectUsageSession> longSessions(const QUuid &projectID, double threshold, Timestamp now) const;

    // Every completed session, earliest start first as loaded or edited, with
    // sessions recorded since appended.
    const QList<ProjectUsageSession> &completedSessions() const { return m_completedSessions; }

    // The completed sessions followed by the pieces that the running (not
    // paused) sessions would record at the moment; those pieces get new ids
    // on every call.
    QList<ProjectUsageSession> allSessions(Timestamp now) const;

    // The project's completed sessions followed by the live pieces of its
    // running session.
    QList<ProjectUsageSession> sessionsForSummary(const QUuid &projectID, Timestamp now) const;

    // The project's figures today, this week, this month and in total, live
    // pieces included.
    ProjectUsageSummary summary(const QUuid &projectID, const UsageCalendar &calendar, Timestamp now) const;

    // The summary of each listed project, in the user's calendar at the clock's time.
    QHash<QUuid, ProjectUsageSummary> summaries(const QList<DevProject> &projects) const;

    // The interval of a rolling period, ending now. The period all starts at
    // the day of the earliest completed session, or 29 days before today
    // when there is none.
    PeriodRange periodRange(UsageRollupPeriod period, const UsageCalendar &calendar, Timestamp now) const;

    // The interval of a custom range: from the start of its earlier day to
    // the last second of its later day.
    static PeriodRange periodRange(const UsageDateRange &range, const UsageCalendar &calendar);

    // The sessions at the moment (allSessions) that overlap the interval: those
    // ending after its start and starting no later than its end, unclipped.
    QList<ProjectUsageSession> sessionsInPeriod(const PeriodRange &range, Timestamp now) const;
    QList<ProjectUsageSession> sessionsInPeriod(const QUuid &projectID, const PeriodRange &range,
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

    // The summary a user copies from a project's usage view: a title line,
    // the figures, and a note on how time is tracked.
    static QString copySummary(const QString &projectName, const ProjectUsageSummary &summary);

    // The bytes of an export file of the sessions, in the given order. Fails
    // when a session holds a value that JSON cannot carry back.
    static Result<QByteArray> exportSessions(const QList<ProjectUsageSession> &sessions,
                                             UsageExportFormat format);

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

        double trackedDuration(Timestamp at) const;
    };

    UsagePeriodHighlightStats highlightStats(const PeriodRange &range, const UsageCalendar &calendar,
                                             Timestamp now) const;
    QList<UsageDistributionSlice> slices(UsageDistributionDimension dimension,
                                         const QList<DevProject> &projects, const PeriodRange &range,
                                         Timestamp now) const;
    QList<UsageProjectTableRow> tableRows(const QList<DevProject> &projects, const PeriodRange &range,
                                          Timestamp now) const;

    void load();
    Result<void> saveSessions();
    Result<void> keepUnreadableFile();
    // The stretch from the session's start to the end (never before the
    // start), cut at local midnights; nothing when it holds no tracked time.
    static QList<ProjectUsageSession> completedSegments(const ActiveSession &session, Timestamp endedAt);

    QString m_dataHome;
    const Clock &m_clock;
    QHash<QUuid, ActiveSession> m_activeSessions;
    QList<ProjectUsageSession> m_completedSessions;
    // Set while a damaged file could not be copied aside; saving retries the
    // copy and refuses to overwrite the file until it succeeds.
    bool m_unreadableFileAtRisk = false;
};

} // namespace devnook
