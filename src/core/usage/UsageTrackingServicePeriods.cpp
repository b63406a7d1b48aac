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
    if (!m_earliestStart)
        return PeriodRange{calendar.addDays(now, -29), now};
    return PeriodRange{calendar.startOfDay(*m_earliestStart), now};
}

PeriodRange UsageTrackingService::periodRange(const UsageDateRange &range, const UsageCalendar &calendar)
{
    const UsageDateRange days = range.normalized(calendar);
    return PeriodRange{days.start, calendar.startOfNextDay(days.end).addSeconds(-1.0)};
}

QList<ProjectUsageSession> UsageTrackingService::sessionsInPeriod(const PeriodRange &range,
                                                                  Timestamp now) const
{
    QList<ProjectUsageSession> sessions;
    forEachSession(now, [&](const ProjectUsageSession &session) {
        if (session.endedAt > range.start && !(session.startedAt > range.end))
            sessions.append(session);
    });
    return sessions;
}

QList<ProjectUsageSession>
UsageTrackingService::sessionsInPeriod(const QUuid &projectID, const PeriodRange &range, Timestamp now) const
{
    QList<ProjectUsageSession> sessions;
    forEachSessionOf(projectID, now, [&](const ProjectUsageSession &session) {
        if (session.endedAt > range.start && !(session.startedAt > range.end))
            sessions.append(session);
    });
    return sessions;
}

UsagePeriodTally UsageTrackingService::tally(const PeriodRange &range, const UsageCalendar &calendar,
                                             Timestamp now) const
{
    UsagePeriodTally tally(range, now, calendar);
    forEachSession(now, [&](const ProjectUsageSession &session) { tally.add(session); });
    return tally;
}

UsagePeriodTally UsageTrackingService::tally(const QUuid &projectID, const PeriodRange &range,
                                             const UsageCalendar &calendar, Timestamp now) const
{
    UsagePeriodTally tally(range, now, calendar);
    forEachSessionOf(projectID, now, [&](const ProjectUsageSession &session) { tally.add(session); });
    return tally;
}

UsagePeriodHighlightStats UsageTrackingService::periodHighlightStats(UsageRollupPeriod period,
                                                                     const UsageCalendar &calendar,
                                                                     Timestamp now) const
{
    UsagePeriodTally figures = tally(periodRange(period, calendar, now), calendar, now);
    return figures.highlights(figures.dailyBuckets());
}

UsagePeriodHighlightStats UsageTrackingService::periodHighlightStats(const UsageDateRange &range,
                                                                     const UsageCalendar &calendar,
                                                                     Timestamp now) const
{
    UsagePeriodTally figures = tally(periodRange(range, calendar), calendar, now);
    return figures.highlights(figures.dailyBuckets());
}

QList<UsageDistributionSlice> UsageTrackingService::distributionSlices(UsageDistributionDimension dimension,
                                                                       const QList<DevProject> &projects,
                                                                       UsageRollupPeriod period,
                                                                       const UsageCalendar &calendar,
                                                                       Timestamp now) const
{
    return slicesOf(tally(periodRange(period, calendar, now), calendar, now).groups(dimension), dimension,
                    projects);
}

QList<UsageDistributionSlice> UsageTrackingService::distributionSlices(UsageDistributionDimension dimension,
                                                                       const QList<DevProject> &projects,
                                                                       const UsageDateRange &range,
                                                                       const UsageCalendar &calendar,
                                                                       Timestamp now) const
{
    return slicesOf(tally(periodRange(range, calendar), calendar, now).groups(dimension), dimension,
                    projects);
}

QList<UsageProjectTableRow> UsageTrackingService::projectTableRows(const QList<DevProject> &projects,
                                                                   UsageRollupPeriod period,
                                                                   const UsageCalendar &calendar,
                                                                   Timestamp now) const
{
    return rowsOf(
        tally(periodRange(period, calendar, now), calendar, now).groups(UsageDistributionDimension::project),
        projects);
}

QList<UsageProjectTableRow> UsageTrackingService::projectTableRows(const QList<DevProject> &projects,
                                                                   const UsageDateRange &range,
                                                                   const UsageCalendar &calendar,
                                                                   Timestamp now) const
{
    return rowsOf(
        tally(periodRange(range, calendar), calendar, now).groups(UsageDistributionDimension::project),
        projects);
}

UsageOverviewFigures UsageTrackingService::overviewFigures(UsageDistributionDimension distributionDimension,
                                                           UsageDistributionDimension tableDimension,
                                                           const QList<DevProject> &projects,
                                                           const PeriodRange &range,
                                                           const UsageCalendar &calendar, Timestamp now) const
{
    UsagePeriodTally figures = tally(range, calendar, now);
    UsageOverviewFigures result;
    result.totalDuration = figures.totalDuration();
    result.dailyBuckets = figures.dailyBuckets();
    result.highlights = figures.highlights(result.dailyBuckets);
    result.distributionSlices =
        slicesOf(figures.groups(distributionDimension), distributionDimension, projects);
    if (tableDimension == UsageDistributionDimension::project)
        result.tableRows = rowsOf(figures.groups(UsageDistributionDimension::project), projects);
    else
        result.tableSlices = slicesOf(figures.groups(tableDimension), tableDimension, projects);
    return result;
}

} // namespace devnook
