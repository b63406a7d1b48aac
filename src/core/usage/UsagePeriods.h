#pragma once

#include "UsageCalendar.h"

#include <QList>
#include <QString>
#include <optional>

namespace devnook {

// A rolling period that ends now.
enum class UsageRollupPeriod { today, week, month, threeMonths, year, all };

namespace UsageRollupPeriods {

// Every period, in order.
const QList<UsageRollupPeriod> &all();

// The first moment of the period that ends now: the start of today, of this
// week, month or year, or today's start three calendar months back. Nothing
// for all, whose start depends on the stored sessions.
std::optional<Timestamp> startDate(UsageRollupPeriod period, const UsageCalendar &calendar, Timestamp now);

} // namespace UsageRollupPeriods

// The period filter of the usage windows: the rolling periods plus a custom range.
enum class UsageDateFilterOption { today, week, month, threeMonths, year, all, custom };

namespace UsageDateFilterOptions {

// Every option, in the order the windows list them.
const QList<UsageDateFilterOption> &all();

// The raw value, also the identifier and the stored form ("threeMonths").
QString rawValue(UsageDateFilterOption option);

// The option of a raw value, matched exactly (letter case counts); nothing otherwise.
std::optional<UsageDateFilterOption> fromRawValue(const QString &rawValue);

// The localised title ("usage_period_today" and so on).
QString localizedTitle(UsageDateFilterOption option);

// The rolling period of the same name; nothing for custom.
std::optional<UsageRollupPeriod> period(UsageDateFilterOption option);

} // namespace UsageDateFilterOptions

// A custom period of whole days as the user picked it: the two ends may come
// in either order and at any time of day.
struct UsageDateRange {
    Timestamp start;
    Timestamp end;

    // The earlier end's day start as start, the later end's day start as end.
    UsageDateRange normalized(const UsageCalendar &calendar) const;

    bool operator==(const UsageDateRange &) const = default;
};

// The closed interval every usage statistic runs over, both ends included.
struct PeriodRange {
    Timestamp start;
    Timestamp end;

    bool operator==(const PeriodRange &) const = default;
};

} // namespace devnook
