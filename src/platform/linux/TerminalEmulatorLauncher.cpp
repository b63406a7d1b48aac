#include "TerminalEmulatorLauncher.h"

#include "core/foundation/L10n.h"

#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace devnook {

Result<void> TerminalEmulatorLauncher::openIn(const QString &folderPath)
{
    const QString terminal = findTerminal();
    if (terminal.isEmpty())
        return Result<void>::failure(L10n::text(u"terminal_not_found"_s));
    // Every one of these terminals opens its shell in the folder it was
    // started in, so no shell command has to carry the path.
    if (!QProcess::startDetached(terminal, {}, folderPath))
        return Result<void>::failure(L10n::format(u"terminal_not_started"_s, {terminal}));
    return Result<void>::success();
}

QString TerminalEmulatorLauncher::findTerminal()
{
    QStringList candidates{u"x-terminal-emulator"_s, u"gnome-terminal"_s, u"konsole"_s, u"xfce4-terminal"_s,
                           u"xterm"_s};
    const QString preferred = qEnvironmentVariable("TERMINAL").trimmed();
    if (!preferred.isEmpty())
        candidates.prepend(preferred);
    for (const QString &candidate : candidates) {
        const QString path = QStandardPaths::findExecutable(candidate);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

} // namespace devnook
