#pragma once

#include "core/foundation/Result.h"

namespace devnook {

// Whether the application starts when the user logs in.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;

    // The real current state, read anew at each call.
    virtual bool isEnabled() const = 0;

    // Switches to the wanted state; the error text says why it failed.
    virtual Result<void> setEnabled(bool enabled) = 0;
};

} // namespace devnook
