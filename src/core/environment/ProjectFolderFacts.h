#pragma once

#include "core/projects/DevProject.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QUuid>

namespace devnook {

// What a project row shows of its folder on the disk.
struct ProjectFolderFacts {
    // DevProject::isFolderMissing.
    bool isMissing = false;
    // ProjectCommandService::staticIndexURL gives an address.
    bool hasStaticIndex = false;

    bool operator==(const ProjectFolderFacts &) const = default;
};

namespace ProjectFolderFactsService {

// The facts of every project's folder, read on a background thread in one
// pass: two file checks per project.
QCoro::Task<QHash<QUuid, ProjectFolderFacts>> facts(QList<DevProject> projects);

// The same reading, done on the calling thread.
QHash<QUuid, ProjectFolderFacts> readFacts(const QList<DevProject> &projects);

} // namespace ProjectFolderFactsService

} // namespace devnook
