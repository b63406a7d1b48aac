#pragma once

#include "core/foundation/Timestamp.h"

#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// One line of a project's log, as the program printed it or as the process
// manager or the store wrote it.
struct DevProcessLogLine {
    QUuid id;
    // The moment the line was appended.
    Timestamp date;
    // Never blank, never holds a line break.
    QString text;
    // Standard error, or an error line of the manager or the store.
    bool isError = false;
    // The service whose output or event it is; absent for project-level lines.
    std::optional<QUuid> serviceID;
    std::optional<QString> serviceName;

    bool operator==(const DevProcessLogLine &) const = default;
};

} // namespace devnook
