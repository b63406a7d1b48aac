#include "UsageCalendar.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace devnook {

namespace {

// Rounds down, not to the nearest millisecond: an instant a fraction before
// midnight still belongs to the day it is in.
QDateTime localDateTime(Timestamp instant)
{
    const double unixMs = std::floor(
        (instant.secondsSinceReference() + static_cast<double>(Timestamp::kUnixSecondsAtReference)) * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(unixMs), Qt::LocalTime);
}

} // namespace

UsageCalendar UsageCalendar::current()
{
    return UsageCalendar{QLocale().firstDayOfWeek()};
}

QDate UsageCalendar::date(Timestamp instant) const
{
    return localDateTime(instant).date();
}

Timestamp UsageCalendar::startOfDay(QDate day) const
{
    return Timestamp::fromDateTime(day.startOfDay(Qt::LocalTime));
}

Timestamp UsageCalendar::startOfDay(Timestamp instant) const
{
    return startOfDay(date(instant));
}

Timestamp UsageCalendar::startOfNextDay(Timestamp instant) const
{
    return startOfDay(date(instant).addDays(1));
}

Timestamp UsageCalendar::startOfDayAfter(QDate date, Timestamp startOfDate) const
{
    const QDate next = date.addDays(1);
    const Timestamp guess = startOfDate.addSeconds(24 * 3600.0);
    const QDateTime local = localDateTime(guess);
    // Midnight of the next day exactly: the date had 24 hours. A day that
    // loses or gains an hour lands the guess elsewhere.
    if (local.date() == next && local.time() == QTime(0, 0))
        return guess;
    return startOfDay(next);
}

Timestamp UsageCalendar::addDays(Timestamp instant, int days) const
{
    return startOfDay(date(instant).addDays(days));
}

Timestamp UsageCalendar::addMonths(Timestamp instant, int months) const
{
    return startOfDay(date(instant).addMonths(months));
}

Timestamp UsageCalendar::startOfWeek(Timestamp instant) const
{
    const QDate day = date(instant);
    const int daysIntoWeek = (day.dayOfWeek() - static_cast<int>(firstDayOfWeek) + 7) % 7;
    return startOfDay(day.addDays(-daysIntoWeek));
}

Timestamp UsageCalendar::startOfMonth(Timestamp instant) const
{
    const QDate day = date(instant);
    return startOfDay(QDate(day.year(), day.month(), 1));
}

Timestamp UsageCalendar::startOfYear(Timestamp instant) const
{
    return startOfDay(QDate(date(instant).year(), 1, 1));
}

} // namespace devnook
