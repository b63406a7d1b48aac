#include "UsageLimits.h"

#include <algorithm>

namespace devnook::UsageLimits {

qint64 roundedSeconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    return static_cast<qint64>(std::round(std::clamp(seconds, -kLongestDuration, kLongestDuration)));
}

} // namespace devnook::UsageLimits
