#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace devnook::bench {

// Private_Dirty of a process, in kilobytes, from /proc/PID/smaps_rollup; -1
// when it cannot be read. Resident and proportional sizes swing with what
// other processes map; private dirty pages do not.
inline qint64 privateDirtyKilobytes(qint64 pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : rollup.readAll().split('\n'))
        if (line.startsWith("Private_Dirty:"))
            return line.mid(14).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace devnook::bench
