#pragma once

#include "DevProject.h"
#include "core/foundation/Result.h"

#include <QList>

namespace devnook {

// Where the store keeps its project catalogue.
class ProjectPersisting {
public:
    virtual ~ProjectPersisting() = default;

    // The projects of the catalogue; an empty list when there is none yet.
    virtual Result<QList<DevProject>> loadProjects() = 0;

    // Replaces the catalogue with the list; on failure the previous one stays.
    virtual Result<void> saveProjects(const QList<DevProject> &projects) = 0;
};

} // namespace devnook
