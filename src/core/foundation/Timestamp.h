#pragma once

#include <QDateTime>
#include <compare>

namespace devnook {

// A point in time as seconds since 2001-01-01 00:00:00 UTC, kept as the double
// it was read as, so a value read from a file is written back unchanged.
class Timestamp {
public:
    static constexpr qint64 kUnixSecondsAtReference = 978307200;

    constexpr Timestamp() = default;

    static constexpr Timestamp fromSecondsSinceReference(double seconds) { return Timestamp(seconds); }
    static Timestamp fromDateTime(const QDateTime &dateTime);

    constexpr double secondsSinceReference() const { return m_seconds; }

    // The moment as a UTC date-time, rounded to milliseconds.
    QDateTime toDateTime() const;

    constexpr Timestamp addSeconds(double seconds) const { return Timestamp(m_seconds + seconds); }
    constexpr double secondsTo(Timestamp later) const { return later.m_seconds - m_seconds; }

    constexpr auto operator<=>(const Timestamp &) const = default;

private:
    constexpr explicit Timestamp(double seconds) : m_seconds(seconds) {}

    double m_seconds = 0.0;
};

} // namespace devnook
