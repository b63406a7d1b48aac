// The figures of the usage windows, over the period the window shows.
#include "ProjectStore.h"
#include "core/environment/Clipboard.h"
#include "core/foundation/Clock.h"
#include "core/usage/UsageStatistics.h"
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
    const PeriodRange range = usagePeriodRange(filter, customRange, now);
    return UsageStatistics::duration(m_services.usage.sessionsInPeriod(range, now), std::nullopt, range.end);
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
    const PeriodRange range = usagePeriodRange(filter, customRange, now);
    return UsageStatistics::dailyBuckets(m_services.usage.sessionsInPeriod(range, now), range,
                                         UsageCalendar::current());
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

ProjectUsagePeriodStats ProjectStore::usageProjectPeriodStats(const QUuid &projectID,
                                                              UsageDateFilterOption filter,
                                                              const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const PeriodRange range = usagePeriodRange(filter, customRange, now);
    const QList<ProjectUsageSession> sessions = m_services.usage.sessionsInPeriod(projectID, range, now);
    ProjectUsagePeriodStats stats;
    if (sessions.isEmpty())
        return stats;
    stats.totalDuration = UsageStatistics::duration(sessions, std::nullopt, range.end);
    stats.sessionCount = static_cast<int>(sessions.size());
    stats.averageSessionDuration = stats.totalDuration / stats.sessionCount;
    const QList<UsageDailyBucket> buckets =
        UsageStatistics::dailyBuckets(sessions, range, UsageCalendar::current());
    const auto activeDays =
        std::count_if(buckets.cbegin(), buckets.cend(),
                      [](const UsageDailyBucket &bucket) { return bucket.duration > 0.0; });
    if (activeDays > 0)
        stats.averageDailyDuration = stats.totalDuration / static_cast<double>(activeDays);
    stats.lastSessionAt = std::max_element(sessions.cbegin(), sessions.cend(),
                                           [](const ProjectUsageSession &a, const ProjectUsageSession &b) {
                                               return a.endedAt < b.endedAt;
                                           })
                              ->endedAt;
    return stats;
}

QList<UsageDailyBucket> ProjectStore::usageProjectDailyBuckets(const QUuid &projectID,
                                                               UsageDateFilterOption filter,
                                                               const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    const PeriodRange range = usagePeriodRange(filter, customRange, now);
    return UsageStatistics::dailyBuckets(m_services.usage.sessionsInPeriod(projectID, range, now), range,
                                         UsageCalendar::current());
}

QList<ProjectUsageSession> ProjectStore::usageProjectSessions(const QUuid &projectID,
                                                              UsageDateFilterOption filter,
                                                              const UsageDateRange &customRange) const
{
    const Timestamp now = m_services.clock.now();
    QList<ProjectUsageSession> sessions =
        m_services.usage.sessionsInPeriod(projectID, usagePeriodRange(filter, customRange, now), now);
    std::stable_sort(
        sessions.begin(), sessions.end(),
        [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt > b.startedAt; });
    return sessions;
}

Result<QByteArray> ProjectStore::exportAllUsageData(UsageDateFilterOption filter,
                                                    const UsageDateRange &customRange,
                                                    UsageExportFormat format) const
{
    const Timestamp now = m_services.clock.now();
    QList<ProjectUsageSession> sessions =
        m_services.usage.sessionsInPeriod(usagePeriodRange(filter, customRange, now), now);
    std::stable_sort(
        sessions.begin(), sessions.end(),
        [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt < b.startedAt; });
    return UsageTrackingService::exportSessions(sessions, format);
}

void ProjectStore::copyUsageSummary(const DevProject &project)
{
    const ProjectUsageSummary summary =
        m_services.usage.summary(project.id, UsageCalendar::current(), m_services.clock.now());
    m_services.clipboard.setText(UsageTrackingService::copySummary(project.name, summary));
}

} // namespace devnook
