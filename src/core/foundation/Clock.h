#pragma once

#include "Timestamp.h"

namespace devnook {

// The source of the current time; tests inject a clock they move by hand.
class Clock {
public:
    virtual ~Clock() = default;

    // The current wall-clock time.
    virtual Timestamp now() const = 0;
};

// The system's wall clock.
class SystemClock final : public Clock {
public:
    Timestamp now() const override;
};

} // namespace devnook
