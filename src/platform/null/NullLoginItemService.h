#pragma once

#include "core/projects/LoginItemService.h"

namespace devnook {

// A login item that is never enabled and cannot be switched on.
class NullLoginItemService final : public LoginItemService {
public:
    bool isEnabled() const override { return false; }
    Result<void> setEnabled(bool enabled) override
    {
        return enabled ? Result<void>::failure(QStringLiteral("Launch at login is not available."))
                       : Result<void>::success();
    }
};

} // namespace devnook
