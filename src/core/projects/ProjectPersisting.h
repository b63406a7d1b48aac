#pragma once

#include "DevProject.h"
#include "core/foundation/Result.h"
#include "core/foundation/SetAsideRecords.h"

#include <QList>

namespace devnook {

// What a load found in the catalogue.
struct LoadedCatalogue {
    QList<DevProject> projects;
    // Projects, or pieces of a damaged file, that could not be read, and why.
    SetAsideRecords unreadable;
    // Projects given a new id because theirs repeated an earlier project's.
    int renumberedCount = 0;
    // Where the file as it was is kept, when it was damaged or renumbered.
    QString keptAsidePath;
    // Why that copy failed; the catalogue is then not overwritten.
    QString keepAsideError;
    // Why the renumbered catalogue could not be written back.
    QString rewriteError;
};

// Where the store keeps its project catalogue.
class ProjectPersisting {
public:
    virtual ~ProjectPersisting() = default;

    // The projects of the catalogue, with what was wrong with it; an empty
    // list when there is none yet. Fails when nothing could be read.
    virtual Result<LoadedCatalogue> loadProjects() = 0;

    // Replaces the catalogue with the list; on failure the previous one stays.
    virtual Result<void> saveProjects(const QList<DevProject> &projects) = 0;
};

} // namespace devnook
