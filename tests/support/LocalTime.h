#pragma once

#include "core/foundation/Timestamp.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <ctime>

namespace devnook::test {

// Makes the zone the process's local time zone while it lives; the previous
// zone (or none) comes back afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *zone)
        : m_hadZone(qEnvironmentVariableIsSet("TZ")), m_previousZone(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_hadZone)
            qputenv("TZ", m_previousZone);
        else
            qunsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    bool m_hadZone;
    QByteArray m_previousZone;
};

// Makes the locale Qt's default while it lives.
class ScopedLocale {
public:
    explicit ScopedLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(m_previous); }
    ScopedLocale(const ScopedLocale &) = delete;
    ScopedLocale &operator=(const ScopedLocale &) = delete;

private:
    QLocale m_previous;
};

// A wall-clock time of the local time zone.
inline Timestamp localTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return Timestamp::fromDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime));
}

} // namespace devnook::test

namespace devnook {

// Shows a moment in failed comparisons as local time and as its raw seconds.
inline char *toString(const Timestamp &instant)
{
    const QString text = instant.toDateTime().toLocalTime().toString(Qt::ISODateWithMs) +
                         QStringLiteral(" (%1)").arg(instant.secondsSinceReference(), 0, 'f', 3);
    return qstrdup(text.toUtf8().constData());
}

} // namespace devnook
