#pragma once

#include "ProjectUsageSession.h"
#include "core/foundation/Timestamp.h"

#include <cmath>

namespace devnook::UsageLimits {

// Real usage happens between 1970-01-01 and 2200-01-01 UTC. Values outside
// this window can only come from a damaged or hand-edited file; keeping them
// out means a day walk takes at most about 84,000 steps, every date formats,
// and every rounded figure fits a 64-bit integer.
inline constexpr Timestamp kEarliestInstant = Timestamp::fromSecondsSinceReference(-978307200.0);
inline constexpr Timestamp kLatestInstant = Timestamp::fromSecondsSinceReference(6279811200.0);

// The longest span between two plausible instants, and so the largest
// plausible duration, paused or tracked, in either direction.
inline constexpr double kLongestDuration = kEarliestInstant.secondsTo(kLatestInstant);

inline bool isPlausibleInstant(Timestamp instant)
{
    const double seconds = instant.secondsSinceReference();
    return std::isfinite(seconds) && instant >= kEarliestInstant && instant <= kLatestInstant;
}

inline bool isPlausibleDuration(double seconds)
{
    return std::isfinite(seconds) && std::fabs(seconds) <= kLongestDuration;
}

// No real session lasts this long; a longer one comes from a clock that jumped
// and would be cut into tens of thousands of day pieces.
inline constexpr double kLongestSession = 366.0 * 24 * 3600;

// What a stored or recorded session can be counted as.
enum class SessionShape {
    countable,
    // No length: nothing to count or keep.
    empty,
    // Ends before it starts.
    reversed,
    // Longer than kLongestSession.
    tooLong,
    // A date or pause outside the plausible window.
    implausible,
};

SessionShape shapeOf(const ProjectUsageSession &session);

// Seconds rounded to the nearest whole number, halves away from zero. A value
// that is not a number counts as 0; larger values are held at the plausible
// bound, so the result always fits.
qint64 roundedSeconds(double seconds);

} // namespace devnook::UsageLimits
