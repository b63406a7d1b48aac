#pragma once

#include "core/environment/EnvProfileService.h"
#include "core/environment/GitStatusService.h"
#include "core/processes/DevProcessState.h"
#include "core/projects/DevProject.h"
#include "core/usage/UsageRecords.h"

#include <optional>

namespace devnook {

// Everything a project row is drawn from: the project, the store's values for
// it and the facts about its folder, gathered once so painting reads no disk.
struct ProjectRowContext {
    DevProject project;
    std::optional<ProjectGitStatus> gitStatus;
    std::optional<ProjectEnvProfile> envProfile;
    DevProcessState processState = DevProcessState::stopped;
    UsageTrackingState usageTrackingState;
    bool isFolderMissing = false;
    // ProjectCommandService::previewURL gives an address.
    bool hasPreviewURL = false;
    // An "index.html" exists in the folder.
    bool hasStaticIndex = false;
    // Set while the list is grouped by client or by stack.
    bool hidesClientBadge = false;
    bool hidesStackBadge = false;

    bool operator==(const ProjectRowContext &) const = default;
};

} // namespace devnook
