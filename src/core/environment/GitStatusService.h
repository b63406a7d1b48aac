#pragma once

#include "core/projects/DevProject.h"

#include <QCoroTask>
#include <QString>
#include <chrono>
#include <optional>

namespace devnook {

// The git state of a project folder.
struct ProjectGitStatus {
    QString branch;       // the branch, or the short commit hash of a detached head
    bool isDirty = false; // any change in the work tree or index, untracked files included

    bool operator==(const ProjectGitStatus &) const = default;
};

// Asks /usr/bin/git about a project folder.
namespace GitStatusService {

// The longest one git call may take before it is killed and counts as failed.
inline constexpr std::chrono::milliseconds kCallTimeout{10000};

// The folder's git state, read on a background thread; nothing when the folder
// path is blank, the folder is not in a git work tree, git cannot run there or
// no branch or commit can be named.
QCoro::Task<std::optional<ProjectGitStatus>> status(DevProject project);

// The same reading, done on the calling thread, with each git call bounded.
std::optional<ProjectGitStatus> readStatus(const QString &folderPath,
                                           std::chrono::milliseconds callTimeout = kCallTimeout);

} // namespace GitStatusService

} // namespace devnook
