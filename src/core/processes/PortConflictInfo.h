#pragma once

#include <QString>
#include <QtGlobal>

namespace devnook {

// A process found listening on a port that a project wants.
struct PortConflictInfo {
    int port = 0;
    qint32 pid = 0;
    // The command name as ps reports it, or "process".
    QString processName;

    bool operator==(const PortConflictInfo &) const = default;
};

} // namespace devnook
