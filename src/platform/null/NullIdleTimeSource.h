#pragma once

#include "core/store/IdleTimeSource.h"

namespace devnook {

// A desktop that cannot tell the idle time: the user never counts as away.
class NullIdleTimeSource final : public IdleTimeSource {
public:
    QCoro::Task<double> secondsSinceLastInput() override { co_return 0.0; }
};

} // namespace devnook
