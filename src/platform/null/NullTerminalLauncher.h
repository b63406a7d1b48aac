#pragma once

#include "core/environment/TerminalLauncher.h"

namespace devnook {

// A desktop without a terminal.
class NullTerminalLauncher final : public TerminalLauncher {
public:
    Result<void> openIn(const QString &) override
    {
        return Result<void>::failure(QStringLiteral("this desktop has no terminal."));
    }
};

} // namespace devnook
