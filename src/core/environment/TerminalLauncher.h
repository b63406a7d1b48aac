#pragma once

#include "core/foundation/Result.h"

#include <QString>

namespace devnook {

// Opens an interactive terminal window.
class TerminalLauncher {
public:
    virtual ~TerminalLauncher() = default;

    // Opens a new terminal window whose shell starts in the folder. Fails,
    // with the reason, when no terminal could be started.
    virtual Result<void> openIn(const QString &folderPath) = 0;
};

} // namespace devnook
