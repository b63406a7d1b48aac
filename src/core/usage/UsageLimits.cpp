#include "UsageLimits.h"

#include <algorithm>

namespace devnook::UsageLimits {

SessionShape shapeOf(const ProjectUsageSession &session)
{
    if (!isPlausibleInstant(session.startedAt) || !isPlausibleInstant(session.endedAt) ||
        !isPlausibleDuration(session.pausedDuration))
        return SessionShape::implausible;
    const double length = session.startedAt.secondsTo(session.endedAt);
    if (length < 0.0)
        return SessionShape::reversed;
    if (length == 0.0)
        return SessionShape::empty;
    return length > kLongestSession ? SessionShape::tooLong : SessionShape::countable;
}

qint64 roundedSeconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    return static_cast<qint64>(std::round(std::clamp(seconds, -kLongestDuration, kLongestDuration)));
}

} // namespace devnook::UsageLimits
