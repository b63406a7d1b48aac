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

// Asks /usr/bin/git about a project folder: one "git status" per folder that
// lies in a work tree on a branch, none for a folder without ".git" in it or
// above it, and a call or a few more only for a detached head or where that
// status fails or hangs.
namespace GitStatusService {

// The longest one git call may take before it is killed and counts as failed.
inline constexpr std::chrono::milliseconds kCallTimeout{10000};
// How many digits of a detached head's commit are shown when git cannot be
// asked for its own abbreviation.
inline constexpr int kShortHashLength = 7;

// What "git status --porcelain=v2 --branch" printed.
struct PorcelainStatus {
    ProjectGitStatus status; // a detached head named by the first kShortHashLength digits
    bool isDetached = false;

    bool operator==(const PorcelainStatus &) const = default;
};

// The folder's git state, read on a background thread; nothing when the folder
// path is blank, the folder is not in a git work tree, git cannot run there or
// hangs at every call, or no branch or commit can be named. When the status
// call fails or hangs (a damaged index, a slow file system monitor) the head
// is still named, with isDirty false.
QCoro::Task<std::optional<ProjectGitStatus>> status(DevProject project);

// The same reading, done on the calling thread, with each git call bounded.
std::optional<ProjectGitStatus> readStatus(const QString &folderPath,
                                           std::chrono::milliseconds callTimeout = kCallTimeout);

// The state that "git status --porcelain=v2 --branch" printed: the branch
// from its "# branch.head" line (a detached head named by the first digits of
// "# branch.oid"), dirty when any line is not a header. Nothing without a
// head line, for an unknown head, or for a detached head without a commit.
std::optional<PorcelainStatus> parsePorcelainStatus(const QString &output);

// True when the folder, or a folder above it, holds a ".git" entry: the only
// places where git can find a work tree for it.
bool mayBeInWorkTree(const QString &folderPath);

} // namespace GitStatusService

} // namespace devnook
