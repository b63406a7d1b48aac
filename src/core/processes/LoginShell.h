#pragma once

#include <QString>
#include <QStringList>

namespace devnook {

// How a dev command reaches the user's login shell, so that it runs with the
// same setup as in their terminal.
class LoginShell {
public:
    // The first line of the zsh script: the user's .zshrc, quietly.
    static const QString kZshStartupLine;

    // zshPath is used when it exists; otherwise userShell runs the command.
    LoginShell(QString zshPath, QString userShell);

    // /bin/zsh, with the user's own login shell (passwd entry, then $SHELL,
    // then /bin/sh) for systems without it.
    static LoginShell system();

    QString program() const;
    // The arguments that run the trimmed command.
    QStringList arguments(const QString &trimmedCommand) const;

    // The given environment ("NAME=value" entries) with the usual tool folders
    // put in front of PATH.
    static QStringList environment(const QStringList &systemEnvironment);

private:
    bool usesZsh() const;

    QString m_zshPath;
    QString m_userShell;
};

} // namespace devnook
