#pragma once

#include "UsageCalendar.h"

#include <QDate>
#include <unordered_map>

namespace devnook {

// One local day: its date, its first moment and the first moment of the next day.
struct UsageDay {
    QDate date;
    Timestamp start;
    Timestamp next;

    bool operator==(const UsageDay &) const = default;
};

// The days of a calendar, each worked out once. Converting local time costs
// far more than the rest of a statistic, and a long list of sessions touches
// the same few hundred days over and over, mostly in order. Lives for one
// computation, so a change of time zone is seen by the next one.
class UsageDayCache {
public:
    explicit UsageDayCache(const UsageCalendar &calendar) : m_calendar(calendar) {}
    // A copy would point at the original's last day.
    UsageDayCache(const UsageDayCache &) = delete;
    UsageDayCache &operator=(const UsageDayCache &) = delete;
    UsageDayCache(UsageDayCache &&) = default;
    UsageDayCache &operator=(UsageDayCache &&) = default;

    // The day that contains the instant (a plausible one).
    const UsageDay &dayContaining(Timestamp instant);

    // The day after the given one, which begins where the given one ends.
    const UsageDay &dayAfter(const UsageDay &previous);

    // The day of the date (a valid one).
    const UsageDay &day(QDate date);

private:
    UsageCalendar m_calendar;
    // Node-based, so the references handed out stay valid as days are added.
    std::unordered_map<qint64, UsageDay> m_days;
    const UsageDay *m_last = nullptr;
};

} // namespace devnook
