#pragma once

#include "core/projects/LoginItemService.h"

#include <QString>

namespace devnook {

// Launch at login through the XDG autostart entry
// $XDG_CONFIG_HOME/autostart/devnook.desktop, which starts the executable.
class XdgAutostartLoginItem final : public LoginItemService {
public:
    // Starts the running executable, by its real path.
    XdgAutostartLoginItem();
    explicit XdgAutostartLoginItem(QString executablePath);

    // Enabled when the entry is a file that is not marked Hidden=true.
    bool isEnabled() const override;
    // Writes the entry atomically, or removes it; removing a missing entry
    // succeeds.
    Result<void> setEnabled(bool enabled) override;

    // Where the entry lives, read anew from the environment at each call.
    static QString entryPath();

    // The Exec value that starts the program: its path quoted and escaped so
    // that spaces, quotes, backslashes, "$" and "%" reach it unchanged.
    static QString execValue(const QString &executablePath);

private:
    QString m_executablePath;
};

} // namespace devnook
