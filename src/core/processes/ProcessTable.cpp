#include "ProcessTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>

using namespace Qt::StringLiterals;

namespace devnook::ProcessTable {

namespace {

// The fields of /proc/<pid>/stat that follow the command name, which may
// itself hold spaces and parentheses: state, parent, process group, ...
QList<QByteArray> statFields(pid_t pid)
{
    QFile file(u"/proc/%1/stat"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return {};
    return stat.mid(nameEnd + 1).trimmed().split(' ');
}

bool isZombieOrDead(const QList<QByteArray> &fields)
{
    return !fields.isEmpty() && (fields[0] == "Z" || fields[0] == "X" || fields[0] == "x");
}

} // namespace

bool isAlive(pid_t pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    return !isZombieOrDead(statFields(pid));
}

bool hasLiveMember(pid_t processGroup)
{
    if (processGroup <= 0)
        return false;
    if (::kill(-processGroup, 0) != 0 && errno != EPERM)
        return false;
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isNumber = false;
        const pid_t pid = entry.toInt(&isNumber);
        if (!isNumber)
            continue;
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() > 2 && fields[2].toInt() == processGroup && !isZombieOrDead(fields))
            return true;
    }
    return false;
}

} // namespace devnook::ProcessTable
