#include "UsageDayCache.h"

namespace devnook {

const UsageDay &UsageDayCache::day(QDate date)
{
    const auto it = m_days.find(date.toJulianDay());
    if (it != m_days.end())
        return it->second;
    const Timestamp start = m_calendar.startOfDay(date);
    const UsageDay day{date, start, m_calendar.startOfDayAfter(date, start)};
    return m_days.emplace(date.toJulianDay(), day).first->second;
}

const UsageDay &UsageDayCache::dayContaining(Timestamp instant)
{
    if (m_last && m_last->start <= instant && instant < m_last->next)
        return *m_last;
    m_last = &day(m_calendar.date(instant));
    return *m_last;
}

const UsageDay &UsageDayCache::dayAfter(const UsageDay &previous)
{
    const QDate date = previous.date.addDays(1);
    const auto it = m_days.find(date.toJulianDay());
    if (it != m_days.end())
        return it->second;
    const UsageDay day{date, previous.next, m_calendar.startOfDayAfter(date, previous.next)};
    return m_days.emplace(date.toJulianDay(), day).first->second;
}

} // namespace devnook
