// Period intervals and the statistics of the usage windows over them.
#include "UsageColors.h"
#include "UsageStatistics.h"
#include "UsageTrackingService.h"
#include "core/foundation/Text.h"

#include <QCollator>
#include <QHash>
#include <algorithm>

namespace devnook {

namespace {

// Longer first; equal durations by their text, case ignored, as the user's
// language sorts.
template <typename Record> void sortByDuration(QList<Record> &records, QString Record::*text)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(records.begin(), records.end(), [&](const Record &a, const Record &b) {
        if (a.duration != b.duration)
            return a.duration > b.duration;
        return collator.compare(a.*text, b.*text) < 0;
    });
}

double totalOf(const QList<UsageStatistics::GroupedDuration> &groups)
{
    double total = 0.0;
    for (const auto &group : groups)
        total += group.duration;
    return total;
}

UsagePeriodHighlightStats highlightsOf(const QList<UsageStatistics::GroupedDuration> &projectGroups,
                                       const QList<UsageDailyBucket> &buckets)
{
    const auto activeDays =
        std::count_if(buckets.cbegin(), buckets.cend(),
                      [](const UsageDailyBucket &bucket) { return bucket.duration > 0.0; });
    UsagePeriodHighlightStats stats;
    stats.activeProjectCount = static_cast<int>(projectGroups.size());
    stats.daysWithActivity = static_cast<int>(activeDays);
    if (activeDays > 0)
        stats.averageDailyDuration = totalOf(projectGroups) / static_cast<double>(activeDays);
    return stats;
}

QList<UsageDistributionSlice> slicesOf(const QList<UsageStatistics::GroupedDuration> &groups,
                                       UsageDistributionDimension dimension,
                                       const QList<DevProject> &projects)
{
    const double total = totalOf(groups);
    if (!(total > 0.0))
        return {};
    QList<UsageDistributionSlice> slices;
    slices.reserve(groups.size());
    for (const auto &group : groups)
        slices.append(UsageDistributionSlice{group.key.id, group.key.label, group.duration,
                                             group.duration / total,
                                             UsageColors::groupColor(group.key, dimension, projects)});
    sortByDuration(slices, &UsageDistributionSlice::label);
    return slices;
}

QList<UsageProjectTableRow> rowsOf(const QList<UsageStatistics::GroupedDuration> &projectGroups,
                                   const QList<DevProject> &projects)
{
    const double total = totalOf(projectGroups);
    if (!(total > 0.0))
        return {};
    QList<UsageProjectTableRow> rows;
    rows.reserve(projectGroups.size());
    for (const auto &group : projectGroups) {
        const QUuid projectID = group.key.projectID.value_or(QUuid());
        std::optional<QString> clientName;
        const auto project =
            std::find_if(projects.cbegin(), projects.cend(),
                         [&](const DevProject &candidate) { return candidate.id == projectID; });
        if (project != projects.cend() && !Text::isBlank(project->client))
            clientName = Text::trimmed(project->client);
        rows.append(UsageProjectTableRow{projectID, group.key.label, clientName, group.duration,
                                         group.duration / total, UsageColors::paletteColor(group.key.id)});
    }
    sortByDuration(rows, &UsageProjectTableRow::projectName);
    return rows;
}

} // namespace

PeriodRange UsageTrackingService::periodRange(UsageRollupPeriod period, const UsageCalendar &calendar,
                                              Timestamp now) const
{
    if (const auto start = UsageRollupPeriods::startDate(period, calendar, now))
        return PeriodRange{*start, now};
    if (m_completedSessions.isEmpty())
        return PeriodRange{calendar.addDays(now, -29), now};
    const auto earliest = std::min_element(
        m_completedSessions.cbegin(), m_completedSessions.cend(),
        [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt < b.startedAt; });
    return PeriodRange{calendar.startOfDay(earliest->startedAt), now};
}

PeriodRange UsageTrackingService::periodRange(const UsageDateRange &range, const UsageCalendar &calendar)
{
    const UsageDateRange days = range.normalized(calendar);
    return PeriodRange{days.start, calendar.startOfNextDay(days.end).addSeconds(-1.0)};
}

QList<ProjectUsageSession> UsageTrackingService::sessionsInPeriod(const PeriodRange &range,
                                                                  Timestamp now) const
{
    QList<ProjectUsageSession> sessions = allSessions(now);
    sessions.removeIf([&](const ProjectUsageSession &session) {
        return !(session.endedAt > range.start) || session.startedAt > range.end;
    });
    return sessions;
}

QList<ProjectUsageSession>
UsageTrackingService::sessionsInPeriod(const QUuid &projectID, const PeriodRange &range, Timestamp now) const
{
    QList<ProjectUsageSession> sessions = sessionsInPeriod(range, now);
    sessions.removeIf([&](const ProjectUsageSession &session) { return session.projectID != projectID; });
    return sessions;
}

UsagePeriodHighlightStats UsageTrackingService::highlightStats(const PeriodRange &range,
                                                               const UsageCalendar &calendar,
                                                               Timestamp now) const
{
    const QList<ProjectUsageSession> sessions = sessionsInPeriod(range, now);
    return highlightsOf(
        UsageStatistics::groupedDurations(sessions, UsageDistributionDimension::project, range),
        UsageStatistics::dailyBuckets(sessions, range, calendar));
}

UsagePeriodHighlightStats UsageTrackingService::periodHighlightStats(UsageRollupPeriod period,
                                                                     const UsageCalendar &calendar,
                                                                     Timestamp now) const
{
    return highlightStats(periodRange(period, calendar, now), calendar, now);
}

UsagePeriodHighlightStats UsageTrackingService::periodHighlightStats(const UsageDateRange &range,
                                                                     const UsageCalendar &calendar,
                                                                     Timestamp now) const
{
    return highlightStats(periodRange(range, calendar), calendar, now);
}

QList<UsageDistributionSlice> UsageTrackingService::slices(UsageDistributionDimension dimension,
                                                           const QList<DevProject> &projects,
                                                           const PeriodRange &range, Timestamp now) const
{
    return slicesOf(UsageStatistics::groupedDurations(sessionsInPeriod(range, now), dimension, range),
                    dimension, projects);
}

QList<UsageDistributionSlice> UsageTrackingService::distributionSlices(UsageDistributionDimension dimension,
                                                                       const QList<DevProject> &projects,
                                                                       UsageRollupPeriod period,
                                                                       const UsageCalendar &calendar,
                                                                       Timestamp now) const
{
    return slices(dimension, projects, periodRange(period, calendar, now), now);
}

QList<UsageDistributionSlice> UsageTrackingService::distributionSlices(UsageDistributionDimension dimension,
                                                                       const QList<DevProject> &projects,
                                                                       const UsageDateRange &range,
                                                                       const UsageCalendar &calendar,
                                                                       Timestamp now) const
{
    return slices(dimension, projects, periodRange(range, calendar), now);
}

QList<UsageProjectTableRow> UsageTrackingService::tableRows(const QList<DevProject> &projects,
                                                            const PeriodRange &range, Timestamp now) const
{
    return rowsOf(UsageStatistics::groupedDurations(sessionsInPeriod(range, now),
                                                    UsageDistributionDimension::project, range),
                  projects);
}

QList<UsageProjectTableRow> UsageTrackingService::projectTableRows(const QList<DevProject> &projects,
                                                                   UsageRollupPeriod period,
                                                                   const UsageCalendar &calendar,
                                                                   Timestamp now) const
{
    return tableRows(projects, periodRange(period, calendar, now), now);
}

QList<UsageProjectTableRow> UsageTrackingService::projectTableRows(const QList<DevProject> &projects,
                                                                   const UsageDateRange &range,
                                                                   const UsageCalendar &calendar,
                                                                   Timestamp now) const
{
    return tableRows(projects, periodRange(range, calendar), now);
}

UsageOverviewFigures UsageTrackingService::overviewFigures(UsageDistributionDimension distributionDimension,
                                                           UsageDistributionDimension tableDimension,
                                                           const QList<DevProject> &projects,
                                                           const PeriodRange &range,
                                                           const UsageCalendar &calendar, Timestamp now) const
{
    const QList<ProjectUsageSession> sessions = sessionsInPeriod(range, now);
    UsageOverviewFigures figures;
    figures.totalDuration = UsageStatistics::duration(sessions, std::nullopt, range.end);
    // Each dimension is grouped at most once, whichever figures ask for it.
    QHash<UsageDistributionDimension, QList<UsageStatistics::GroupedDuration>> groups;
    const auto groupsBy = [&](UsageDistributionDimension dimension) -> const auto &
    {
        auto it = groups.constFind(dimension);
        if (it == groups.cend())
            it = groups.insert(dimension, UsageStatistics::groupedDurations(sessions, dimension, range));
        return *it;
    };
    figures.dailyBuckets = UsageStatistics::dailyBuckets(sessions, range, calendar);
    figures.highlights = highlightsOf(groupsBy(UsageDistributionDimension::project), figures.dailyBuckets);
    figures.distributionSlices = slicesOf(groupsBy(distributionDimension), distributionDimension, projects);
    if (tableDimension == UsageDistributionDimension::project)
        figures.tableRows = rowsOf(groupsBy(UsageDistributionDimension::project), projects);
    else
        figures.tableSlices = slicesOf(groupsBy(tableDimension), tableDimension, projects);
    return figures;
}

} // namespace devnook
