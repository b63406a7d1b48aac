#pragma once

#include "core/environment/TerminalLauncher.h"

namespace devnook {

// Starts the user's terminal emulator, detached, in the folder.
class TerminalEmulatorLauncher final : public TerminalLauncher {
public:
    Result<void> openIn(const QString &folderPath) override;

    // The first one found of $TERMINAL, x-terminal-emulator, gnome-terminal,
    // konsole, xfce4-terminal and xterm; empty when there is none.
    static QString findTerminal();
};

} // namespace devnook
