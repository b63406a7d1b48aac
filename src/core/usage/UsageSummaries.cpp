// The per-project summaries of rows and usage windows.
#include "UsageDurationFormatting.h"
#include "UsageStatistics.h"
#include "UsageTrackingService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"

#include <algorithm>

using namespace Qt::StringLiterals;

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

QString UsageTrackingService::copySummary(const QString &projectName, const ProjectUsageSummary &summary)
{
    using UsageDurationFormatting::format;
    QStringList lines{
        u"Devnook \u2014 "_s + projectName,
        L10n::format(u"usage_today"_s, {format(summary.today)}),
        L10n::format(u"usage_week"_s, {format(summary.week)}),
        L10n::format(u"usage_month"_s, {format(summary.month)}),
        L10n::format(u"usage_total"_s, {format(summary.total)}),
        L10n::format(u"usage_sessions"_s, {QString::number(summary.sessionCount)}),
    };
    if (summary.sessionCount >= 1) {
        lines.append(L10n::format(u"usage_average_session"_s, {format(summary.averageSessionDuration)}));
        lines.append(L10n::format(u"usage_last_session"_s,
                                  {UsageDurationFormatting::formatLastSession(summary.lastSessionAt)}));
    }
    lines.append(QString());
    lines.append(L10n::text(u"usage_tracking_note"_s));
    return lines.join(u'\n');
}

} // namespace devnook
