#include "LoginShell.h"

#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kToolFolders = u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"_s;

bool isExecutable(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

QString userLoginShell()
{
    if (const passwd *entry = getpwuid(getuid()); entry && entry->pw_shell) {
        const QString shell = QString::fromLocal8Bit(entry->pw_shell);
        if (isExecutable(shell))
            return shell;
    }
    const QString fromEnvironment = qEnvironmentVariable("SHELL");
    if (isExecutable(fromEnvironment))
        return fromEnvironment;
    return u"/bin/sh"_s;
}

} // namespace

const QString LoginShell::kZshStartupLine =
    u"if [ -f \"$HOME/.zshrc\" ]; then source \"$HOME/.zshrc\" >/dev/null 2>&1; fi"_s;

LoginShell::LoginShell(QString zshPath, QString userShell)
    : m_zshPath(std::move(zshPath)), m_userShell(std::move(userShell))
{}

LoginShell LoginShell::system()
{
    return LoginShell(u"/bin/zsh"_s, userLoginShell());
}

bool LoginShell::usesZsh() const
{
    return isExecutable(m_zshPath);
}

QString LoginShell::program() const
{
    return usesZsh() ? m_zshPath : m_userShell;
}

QStringList LoginShell::arguments(const QString &trimmedCommand) const
{
    if (usesZsh())
        return {u"-lc"_s, kZshStartupLine + u'\n' + trimmedCommand};
    return {u"-lc"_s, trimmedCommand};
}

QStringList LoginShell::environment(const QStringList &systemEnvironment)
{
    QStringList result;
    result.reserve(systemEnvironment.size() + 1);
    QString path;
    for (const QString &entry : systemEnvironment) {
        if (entry.startsWith(u"PATH="))
            path = entry.mid(5);
        else
            result.append(entry);
    }
    result.append(u"PATH="_s + (path.isEmpty() ? kToolFolders : kToolFolders + u':' + path));
    return result;
}

} // namespace devnook
