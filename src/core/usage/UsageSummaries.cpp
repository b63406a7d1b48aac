// The per-project summaries of rows and usage windows.
#include "UsageStatistics.h"
#include "UsageTrackingService.h"
#include "core/foundation/Clock.h"

#include <algorithm>

namespace devnook {

namespace {

ProjectUsageSummary summaryOf(const QList<ProjectUsageSession> &sessions, const UsageCalendar &calendar,
                              Timestamp now)
{
    if (sessions.isEmpty())
        return ProjectUsageSummary::empty();
    ProjectUsageSummary summary;
    Timestamp lastEnd = sessions.first().endedAt;
    for (const ProjectUsageSession &session : sessions) {
        summary.total += session.trackedDuration();
        lastEnd = std::max(lastEnd, session.endedAt);
    }
    summary.today = UsageStatistics::duration(sessions, calendar.startOfDay(now), std::nullopt);
    summary.week = UsageStatistics::duration(sessions, calendar.startOfWeek(now), std::nullopt);
    summary.month = UsageStatistics::duration(sessions, calendar.startOfMonth(now), std::nullopt);
    summary.sessionCount = static_cast<int>(sessions.size());
    summary.averageSessionDuration = summary.total / summary.sessionCount;
    summary.lastSessionAt = lastEnd;
    return summary;
}

} // namespace

ProjectUsageSummary UsageTrackingService::summary(const QUuid &projectID, const UsageCalendar &calendar,
                                                  Timestamp now) const
{
    return summaryOf(sessionsForSummary(projectID, now), calendar, now);
}

QHash<QUuid, ProjectUsageSummary> UsageTrackingService::summaries(const QList<DevProject> &projects) const
{
    // One pass over the stored sessions for the whole list, rather than one
    // per project.
    QHash<QUuid, QList<ProjectUsageSession>> sessionsByProject;
    for (const DevProject &project : projects)
        sessionsByProject.insert(project.id, {});
    for (const ProjectUsageSession &session : m_completedSessions) {
        const auto it = sessionsByProject.find(session.projectID);
        if (it != sessionsByProject.end())
            it->append(session);
    }
    QHash<QUuid, ProjectUsageSummary> result;
    for (const DevProject &project : projects) {
        if (result.contains(project.id))
            continue;
        const Timestamp now = m_clock.now();
        QList<ProjectUsageSession> &sessions = sessionsByProject[project.id];
        const auto active = m_activeSessions.constFind(project.id);
        if (active != m_activeSessions.cend() && !active->pausedAt)
            sessions.append(completedSegments(*active, std::max(active->startedAt, now)));
        result.insert(project.id, summaryOf(sessions, UsageCalendar::current(), now));
    }
    return result;
}

} // namespace devnook
