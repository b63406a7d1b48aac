#pragma once

#include "ProjectUsageSession.h"
#include "UsagePeriods.h"
#include "UsageRecords.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook::UsageStatistics {

// Tracked seconds of the sessions inside an interval whose bounds may each be
// missing (that side open). A session counts its overlap with the interval
// times its tracked fraction: pauses count as spread evenly over it.
double duration(const QList<ProjectUsageSession> &sessions, std::optional<Timestamp> since,
                std::optional<Timestamp> until);

// The group a session falls in for one dimension.
struct GroupingKey {
    QString id;
    QString label;
    // Set in the project dimension only.
    std::optional<QUuid> projectID;

    bool operator==(const GroupingKey &) const = default;
};

size_t qHash(const GroupingKey &key, size_t seed = 0);

struct GroupedDuration {
    GroupingKey key;
    double duration = 0.0;

    bool operator==(const GroupedDuration &) const = default;
};

// The sessions' tracked seconds inside the range per group, groups in the
// order they first appear; a group with no positive time is left out. By
// project the group is the project's id and recorded name; by client or stack
// it is the trimmed text, blanks falling under the unassigned label.
QList<GroupedDuration> groupedDurations(const QList<ProjectUsageSession> &sessions,
                                        UsageDistributionDimension dimension, const PeriodRange &range);

// One bucket for every day of the range, oldest first, days without time
// included, each holding the sessions' tracked seconds of that day.
QList<UsageDailyBucket> dailyBuckets(const QList<ProjectUsageSession> &sessions, const PeriodRange &range,
                                     const UsageCalendar &calendar);

} // namespace devnook::UsageStatistics
