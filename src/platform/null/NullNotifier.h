#pragma once

#include "core/environment/Notifier.h"

namespace devnook {

// A desktop without notifications: nothing is shown, silently.
class NullNotifier final : public Notifier {
public:
    using Notifier::Notifier;

    void prepare() override {}
    QCoro::Task<DeliveryResult> deliver(NotificationRequest) override
    {
        co_return DeliveryResult::notAppBundle;
    }
};

} // namespace devnook
