// The figures of the usage windows, over the period the window shows.
#include "ProjectStore.h"
#include "core/environment/Clipboard.h"
#include "core/foundation/Clock.h"
#include "core/usage/UsageSessionSplitting.h"
#include "core/usage/UsageTrackingService.h"

#include <algorithm>

namespace devnook {

PeriodRange ProjectStore::usagePeriodRange(UsageDateFilterOption filter, const UsageDateRange &customRange,
                                           Timestamp now) const
{
    const UsageCalendar calendar = UsageCalendar::current();
    if (const auto period = UsageDateFilterOptions::period(filter))
        return m_services.usage.periodRange(*period, calendar, now);
    return UsageTrackingService::periodRange(customRange, calendar);
}

double ProjectStore::usageTotalDuration(UsageDateFilterOption filter, const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    return m_services.usage.tally(usagePeriodRange(filter, customRange, now), calendar, now).totalDuration();
}

UsagePeriodHighlightStats ProjectStore::usagePeriodHighlightStats(UsageDateFilterOption filter,
                                                                  const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    if (const auto period = UsageDateFilterOptions::period(filter))
        return m_services.usage.periodHighlightStats(*period, calendar, now);
    return m_services.usage.periodHighlightStats(customRange, calendar, now);
}

QList<UsageDailyBucket> ProjectStore::usageDailyBuckets(UsageDateFilterOption filter,
                                                        const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    return m_services.usage.tally(usagePeriodRange(filter, customRange, now), calendar, now).dailyBuckets();
}

QList<UsageDistributionSlice> ProjectStore::usageDistributionSlices(UsageDistributionDimension dimension,
                                                                    UsageDateFilterOption filter,
                                                                    const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    if (const auto period = UsageDateFilterOptions::period(filter))
        return m_services.usage.distributionSlices(dimension, m_projects, *period, calendar, now);
    return m_services.usage.distributionSlices(dimension, m_projects, customRange, calendar, now);
}

QList<UsageProjectTableRow> ProjectStore::usageProjectTableRows(UsageDateFilterOption filter,
                                                                const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    if (const auto period = UsageDateFilterOptions::period(filter))
        return m_services.usage.projectTableRows(m_projects, *period, calendar, now);
    return m_services.usage.projectTableRows(m_projects, customRange, calendar, now);
}

UsageOverviewFigures ProjectStore::usageOverviewFigures(UsageDateFilterOption filter,
                                                        const UsageDateRange &customRange,
                                                        UsageDistributionDimension distributionDimension,
                                                        UsageDistributionDimension tableDimension) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    const PeriodRange range = usagePeriodRange(filter, customRange, now);
    return m_services.usage.overviewFigures(distributionDimension, tableDimension, m_projects, range,
                                            calendar, now);
}

namespace {

ProjectUsagePeriodStats periodStatsOf(const UsagePeriodTally &tally, const QList<UsageDailyBucket> &buckets)
{
    ProjectUsagePeriodStats stats;
    if (tally.sessionCount() == 0)
        return stats;
    stats.totalDuration = tally.totalDuration();
    stats.sessionCount = tally.sessionCount();
    stats.averageSessionDuration = stats.totalDuration / stats.sessionCount;
    const auto activeDays =
        std::count_if(buckets.cbegin(), buckets.cend(),
                      [](const UsageDailyBucket &bucket) { return bucket.duration > 0.0; });
    if (activeDays > 0)
        stats.averageDailyDuration = stats.totalDuration / static_cast<double>(activeDays);
    stats.lastSessionAt = tally.lastEnd();
    return stats;
}

} // namespace

ProjectUsagePeriodStats ProjectStore::usageProjectPeriodStats(const QUuid &projectID,
                                                              UsageDateFilterOption filter,
                                                              const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    UsagePeriodTally tally =
        m_services.usage.tally(projectID, usagePeriodRange(filter, customRange, now), calendar, now);
    return periodStatsOf(tally, tally.dailyBuckets());
}

QList<UsageDailyBucket> ProjectStore::usageProjectDailyBuckets(const QUuid &projectID,
                                                               UsageDateFilterOption filter,
                                                               const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const UsageCalendar calendar = UsageCalendar::current();
    return m_services.usage.tally(projectID, usagePeriodRange(filter, customRange, now), calendar, now)
        .dailyBuckets();
}

QList<ProjectUsageSession> ProjectStore::usageProjectSessions(const QUuid &projectID,
                                                              UsageDateFilterOption filter,
                                                              const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    QList<ProjectUsageSession> sessions =
        m_services.usage.sessionsInPeriod(projectID, usagePeriodRange(filter, customRange, now), now);
    UsageSessionSplitting::sortByStartLatestFirst(sessions);
    return sessions;
}

UsageProjectFigures ProjectStore::usageProjectFigures(const QUuid &projectID, UsageDateFilterOption filter,
                                                      const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    UsagePeriodTally tally(usagePeriodRange(filter, customRange, now), now, UsageCalendar::current());
    UsageProjectFigures figures;
    m_services.usage.forEachSessionOf(projectID, now, [&](const ProjectUsageSession &session) {
        if (!tally.overlaps(session))
            return;
        tally.add(session);
        figures.sessions.append(session);
    });
    UsageSessionSplitting::sortByStartLatestFirst(figures.sessions);
    figures.dailyBuckets = tally.dailyBuckets();
    figures.stats = periodStatsOf(tally, figures.dailyBuckets);
    return figures;
}

Result<QByteArray> ProjectStore::exportAllUsageData(UsageDateFilterOption filter,
                                                    const UsageDateRange &customRange,
                                                    UsageExportFormat format) const
{
    const Timestamp now = m_services.clock.now();
    QList<ProjectUsageSession> sessions =
        m_services.usage.sessionsInPeriod(usagePeriodRange(filter, customRange, now), now);
    UsageSessionSplitting::sortByStart(sessions);
    return UsageTrackingService::exportSessions(sessions, format);
}

void ProjectStore::copyUsageSummary(const DevProject &project)
{
    const ProjectUsageSummary summary =
        m_services.usage.summary(project.id, UsageCalendar::current(), m_services.clock.now());
    m_services.clipboard.setText(UsageTrackingService::copySummary(project.name, summary));
}

} // namespace devnook
