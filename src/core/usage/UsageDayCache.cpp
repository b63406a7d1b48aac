#include "UsageDayCache.h"

namespace devnook {

const UsageDay &UsageDayCache::day(QDate date)
{
    const auto it = m_days.find(date.toJulianDay());
    if (it != m_days.end())
        return it->second;
    const UsageDay day{date, m_calendar.startOfDay(date), m_calendar.startOfDay(date.addDays(1))};
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
    return day(previous.date.addDays(1));
}

} // namespace devnook
