#pragma once

#include "core/environment/TerminalLauncher.h"

namespace devnook {

// A desktop without a terminal.
class NullTerminalLauncher final : public TerminalLauncher {
public:
    void openIn(const QString &) override {}
};

} // namespace devnook
