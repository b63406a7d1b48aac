#pragma once

#include "core/foundation/Clock.h"

namespace devnook::test {

// A clock that stands still until the test moves it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Timestamp start = Timestamp::fromSecondsSinceReference(800000000.0)) : m_now(start) {}

    Timestamp now() const override { return m_now; }
    void set(Timestamp now) { m_now = now; }
    void advance(double seconds) { m_now = m_now.addSeconds(seconds); }

private:
    Timestamp m_now;
};

} // namespace devnook::test
