#pragma once

#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// An address to probe, and in a result the address that answered.
struct WorkspaceReadyEndpoint {
    // Normalised in a result.
    QString url;
    // The service that printed or owns the address; absent for the project's
    // configured URL.
    std::optional<QUuid> serviceID;
    std::optional<QString> serviceName;

    bool operator==(const WorkspaceReadyEndpoint &) const = default;
};

} // namespace devnook
