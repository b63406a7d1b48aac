#pragma once

#include "core/foundation/PowerEvents.h"

namespace devnook {

// A machine whose sleep and wake nobody reports.
class NullPowerEvents final : public PowerEvents {
public:
    using PowerEvents::PowerEvents;
};

} // namespace devnook
