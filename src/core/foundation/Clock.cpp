#include "Clock.h"

namespace devnook {

Timestamp SystemClock::now() const
{
    return Timestamp::fromDateTime(QDateTime::currentDateTimeUtc());
}

} // namespace devnook
