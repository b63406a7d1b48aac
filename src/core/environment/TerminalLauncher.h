#pragma once

#include <QString>

namespace devnook {

// Opens an interactive terminal window.
class TerminalLauncher {
public:
    virtual ~TerminalLauncher() = default;

    // Opens a new terminal window whose shell starts in the folder; does nothing
    // when no terminal can be started.
    virtual void openIn(const QString &folderPath) = 0;
};

} // namespace devnook
