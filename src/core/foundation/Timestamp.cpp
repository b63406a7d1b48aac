#include "Timestamp.h"

#include <cmath>

namespace devnook {

Timestamp Timestamp::fromDateTime(const QDateTime &dateTime)
{
    const qint64 unixMs = dateTime.toMSecsSinceEpoch();
    return Timestamp(static_cast<double>(unixMs) / 1000.0 - static_cast<double>(kUnixSecondsAtReference));
}

QDateTime Timestamp::toDateTime() const
{
    const double unixMs = (m_seconds + static_cast<double>(kUnixSecondsAtReference)) * 1000.0;
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(unixMs)), Qt::UTC);
}

} // namespace devnook
