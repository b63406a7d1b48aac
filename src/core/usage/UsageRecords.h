#pragma once

#include "ProjectUsageSession.h"
#include "core/foundation/Timestamp.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// The live state of one project's tracking.
struct UsageTrackingState {
    bool isActive = false;
    bool isPaused = false;
    // Seconds tracked since the session last started or resumed; 0 while paused.
    double trackedDuration = 0.0;
    // Seconds of pause in the open stretch, the running pause included.
    double pausedDuration = 0.0;

    bool operator==(const UsageTrackingState &) const = default;
};

// The figures of a project row: tracked seconds today, this week, this month
// and in total, and the sessions behind them.
struct ProjectUsageSummary {
    double today = 0.0;
    double week = 0.0;
    double month = 0.0;
    double total = 0.0;
    int sessionCount = 0;
    double averageSessionDuration = 0.0;
    std::optional<Timestamp> lastSessionAt;

    // Zero in every figure, no last session.
    static ProjectUsageSummary empty() { return {}; }

    bool operator==(const ProjectUsageSummary &) const = default;
};

// One project's figures for the period of its usage window.
struct ProjectUsagePeriodStats {
    double totalDuration = 0.0;
    int sessionCount = 0;
    double averageSessionDuration = 0.0;
    // Averaged over the days with tracked time only.
    double averageDailyDuration = 0.0;
    std::optional<Timestamp> lastSessionAt;

    bool operator==(const ProjectUsagePeriodStats &) const = default;
};

// The overview's highlight figures of a period.
struct UsagePeriodHighlightStats {
    int activeProjectCount = 0;
    // Averaged over the days with tracked time only.
    double averageDailyDuration = 0.0;
    int daysWithActivity = 0;

    bool operator==(const UsagePeriodHighlightStats &) const = default;
};

// The tracked time of one calendar day.
struct UsageDailyBucket {
    // The day as "yyyy-MM-dd", whatever the locale.
    QString id;
    // The first moment of the day.
    Timestamp date;
    // The short localised day text of the charts.
    QString label;
    double duration = 0.0;

    bool operator==(const UsageDailyBucket &) const = default;
};

// One group of the distribution by project, client or stack.
struct UsageDistributionSlice {
    QString id;
    QString label;
    double duration = 0.0;
    // Share of the period's total, a fraction from 0 to 1.
    double percentage = 0.0;
    // 0xRRGGBB.
    quint32 colorHex = 0;

    bool operator==(const UsageDistributionSlice &) const = default;
};

// One row of the per-project breakdown table.
struct UsageProjectTableRow {
    QUuid id;
    // The name recorded in the sessions.
    QString projectName;
    // The listed project's trimmed client; nothing when blank or the project is gone.
    std::optional<QString> clientName;
    double duration = 0.0;
    // Share of the period's total, a fraction from 0 to 1.
    double percentage = 0.0;
    // 0xRRGGBB.
    quint32 colorHex = 0;

    bool operator==(const UsageProjectTableRow &) const = default;
};

// Every figure the usage overview shows for one period, worked out from one
// selection of its sessions.
struct UsageOverviewFigures {
    double totalDuration = 0.0;
    UsagePeriodHighlightStats highlights;
    QList<UsageDailyBucket> dailyBuckets;
    // By the distribution chart's dimension.
    QList<UsageDistributionSlice> distributionSlices;
    // The table's rows when it groups by project, its slices otherwise.
    QList<UsageProjectTableRow> tableRows;
    QList<UsageDistributionSlice> tableSlices;

    bool operator==(const UsageOverviewFigures &) const = default;
};

// Every figure of a project's usage window for one period, worked out from
// one pass over its sessions.
struct UsageProjectFigures {
    ProjectUsagePeriodStats stats;
    QList<UsageDailyBucket> dailyBuckets;
    // Latest start first.
    QList<ProjectUsageSession> sessions;

    bool operator==(const UsageProjectFigures &) const = default;
};

// One bar of the overview's bar chart: a day, or a run of days.
struct UsageAggregatedBarBucket {
    QString id;
    QString label;
    double duration = 0.0;

    bool operator==(const UsageAggregatedBarBucket &) const = default;
};

// The angular extent of one donut segment, in degrees from the positive x axis
// towards the positive y axis of a view whose y axis points down (-90 is the
// top of the circle).
struct UsageDonutSegmentLayout {
    UsageDistributionSlice slice;
    double startDegrees = 0.0;
    double endDegrees = 0.0;

    bool operator==(const UsageDonutSegmentLayout &) const = default;
};

// The grouping of the distribution chart and the breakdown table.
enum class UsageDistributionDimension { project, client, stack };

namespace UsageDistributionDimensions {

// Every dimension, in the order the overview lists them.
const QList<UsageDistributionDimension> &all();

// The raw value, also the identifier ("project").
QString rawValue(UsageDistributionDimension dimension);

// The dimension of a raw value, matched exactly; nothing otherwise.
std::optional<UsageDistributionDimension> fromRawValue(const QString &rawValue);

// The localised title ("usage_slice_projects" and so on).
QString localizedTitle(UsageDistributionDimension dimension);

} // namespace UsageDistributionDimensions

// The file format of a usage export.
enum class UsageExportFormat { csv, json };

namespace UsageExportFormats {

// Both formats, CSV first.
const QList<UsageExportFormat> &all();

// "csv" or "json".
QString fileExtension(UsageExportFormat format);

} // namespace UsageExportFormats

} // namespace devnook
