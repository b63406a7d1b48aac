#pragma once

#include "core/foundation/Timestamp.h"

#include <QDate>

namespace devnook {

// The calendar that usage is counted in: days, weeks, months and years of the
// local time zone, weeks beginning on firstDayOfWeek. Day arithmetic goes
// through dates, so days of 23 or 25 hours and days whose first hour does not
// exist come out right. Instants must be plausible (UsageLimits).
struct UsageCalendar {
    Qt::DayOfWeek firstDayOfWeek = Qt::Monday;

    // The user's calendar: the first day of the week of the default locale.
    static UsageCalendar current();

    // The local date that contains the instant.
    QDate date(Timestamp instant) const;

    // The first moment of the local date.
    Timestamp startOfDay(QDate date) const;
    Timestamp startOfDay(Timestamp instant) const;

    // The first moment of the day after the one that contains the instant.
    Timestamp startOfNextDay(Timestamp instant) const;

    // The first moment of the day after the date, whose own first moment is
    // given: 24 hours later when reading the local time there confirms it,
    // which costs far less than working it out; worked out otherwise.
    Timestamp startOfDayAfter(QDate date, Timestamp startOfDate) const;

    // The first moment of the day that lies the given number of days (or
    // months) away from the day of the instant; a day past the end of a
    // shorter month becomes that month's last day.
    Timestamp addDays(Timestamp instant, int days) const;
    Timestamp addMonths(Timestamp instant, int months) const;

    // The first moment of the week, month or year that contains the instant.
    Timestamp startOfWeek(Timestamp instant) const;
    Timestamp startOfMonth(Timestamp instant) const;
    Timestamp startOfYear(Timestamp instant) const;

    bool operator==(const UsageCalendar &) const = default;
};

} // namespace devnook
