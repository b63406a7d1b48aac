#include "UsagePeriods.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

namespace UsageRollupPeriods {

const QList<UsageRollupPeriod> &all()
{
    static const QList<UsageRollupPeriod> periods{UsageRollupPeriod::today, UsageRollupPeriod::week,
                                                  UsageRollupPeriod::month, UsageRollupPeriod::threeMonths,
                                                  UsageRollupPeriod::year,  UsageRollupPeriod::all};
    return periods;
}

std::optional<Timestamp> startDate(UsageRollupPeriod period, const UsageCalendar &calendar, Timestamp now)
{
    switch (period) {
    case UsageRollupPeriod::today:
        return calendar.startOfDay(now);
    case UsageRollupPeriod::week:
        return calendar.startOfWeek(now);
    case UsageRollupPeriod::month:
        return calendar.startOfMonth(now);
    case UsageRollupPeriod::threeMonths:
        return calendar.addMonths(now, -3);
    case UsageRollupPeriod::year:
        return calendar.startOfYear(now);
    case UsageRollupPeriod::all:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace UsageRollupPeriods

namespace UsageDateFilterOptions {

const QList<UsageDateFilterOption> &all()
{
    static const QList<UsageDateFilterOption> options{
        UsageDateFilterOption::today,       UsageDateFilterOption::week, UsageDateFilterOption::month,
        UsageDateFilterOption::threeMonths, UsageDateFilterOption::year, UsageDateFilterOption::all,
        UsageDateFilterOption::custom};
    return options;
}

QString rawValue(UsageDateFilterOption option)
{
    switch (option) {
    case UsageDateFilterOption::today:
        return u"today"_s;
    case UsageDateFilterOption::week:
        return u"week"_s;
    case UsageDateFilterOption::month:
        return u"month"_s;
    case UsageDateFilterOption::threeMonths:
        return u"threeMonths"_s;
    case UsageDateFilterOption::year:
        return u"year"_s;
    case UsageDateFilterOption::all:
        return u"all"_s;
    case UsageDateFilterOption::custom:
        return u"custom"_s;
    }
    return {};
}

std::optional<UsageDateFilterOption> fromRawValue(const QString &text)
{
    for (const UsageDateFilterOption option : all()) {
        if (rawValue(option) == text)
            return option;
    }
    return std::nullopt;
}

QString localizedTitle(UsageDateFilterOption option)
{
    if (option == UsageDateFilterOption::threeMonths)
        return L10n::text(u"usage_period_three_months"_s);
    return L10n::text(u"usage_period_"_s + rawValue(option));
}

std::optional<UsageRollupPeriod> period(UsageDateFilterOption option)
{
    switch (option) {
    case UsageDateFilterOption::today:
        return UsageRollupPeriod::today;
    case UsageDateFilterOption::week:
        return UsageRollupPeriod::week;
    case UsageDateFilterOption::month:
        return UsageRollupPeriod::month;
    case UsageDateFilterOption::threeMonths:
        return UsageRollupPeriod::threeMonths;
    case UsageDateFilterOption::year:
        return UsageRollupPeriod::year;
    case UsageDateFilterOption::all:
        return UsageRollupPeriod::all;
    case UsageDateFilterOption::custom:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace UsageDateFilterOptions

UsageDateRange UsageDateRange::normalized(const UsageCalendar &calendar) const
{
    const Timestamp earlier = end < start ? end : start;
    const Timestamp later = end < start ? start : end;
    return UsageDateRange{calendar.startOfDay(earlier), calendar.startOfDay(later)};
}

} // namespace devnook
