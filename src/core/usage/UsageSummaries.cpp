// The per-project summaries of rows and usage windows.
#include "UsageDurationFormatting.h"
#include "UsageTrackingService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// One project's summary, built as its sessions pass by. Time after now is not
// counted: it has not been tracked yet, whatever a session was edited to.
class SummaryTally {
public:
    SummaryTally(const UsageCalendar &calendar, Timestamp now)
        : m_now(now), m_today(calendar.startOfDay(now)), m_week(calendar.startOfWeek(now)),
          m_month(calendar.startOfMonth(now))
    {}

    void add(const ProjectUsageSession &session)
    {
        ++m_summary.sessionCount;
        m_summary.total += session.endedAt <= m_now ? session.trackedDuration()
                                                    : session.trackedBetween(session.startedAt, m_now);
        m_summary.today += session.trackedBetween(m_today, m_now);
        m_summary.week += session.trackedBetween(m_week, m_now);
        m_summary.month += session.trackedBetween(m_month, m_now);
        if (!m_summary.lastSessionAt || *m_summary.lastSessionAt < session.endedAt)
            m_summary.lastSessionAt = session.endedAt;
    }

    ProjectUsageSummary summary() const
    {
        ProjectUsageSummary summary = m_summary;
        if (summary.sessionCount > 0)
            summary.averageSessionDuration = summary.total / summary.sessionCount;
        return summary;
    }

private:
    Timestamp m_now;
    Timestamp m_today;
    Timestamp m_week;
    Timestamp m_month;
    ProjectUsageSummary m_summary;
};

} // namespace

ProjectUsageSummary UsageTrackingService::summary(const QUuid &projectID, const UsageCalendar &calendar,
                                                  Timestamp now) const
{
    SummaryTally tally(calendar, now);
    forEachSessionOf(projectID, now, [&](const ProjectUsageSession &session) { tally.add(session); });
    return tally.summary();
}

QHash<QUuid, ProjectUsageSummary> UsageTrackingService::summaries(const QList<DevProject> &projects) const
{
    // One pass over the sessions for the whole list, rather than one per project.
    const Timestamp now = m_clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    QHash<QUuid, SummaryTally> tallies;
    for (const DevProject &project : projects)
        tallies.insert(project.id, SummaryTally(calendar, now));
    forEachSession(now, [&](const ProjectUsageSession &session) {
        const auto it = tallies.find(session.projectID);
        if (it != tallies.end())
            it->add(session);
    });
    QHash<QUuid, ProjectUsageSummary> result;
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it)
        result.insert(it.key(), it->summary());
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
