#pragma once

#include "core/environment/EnvProfileService.h"
#include "core/environment/GitStatusService.h"
#include "core/preview/DevicePreviewRecords.h"
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
    // The project's device preview is on, with the health last published
    // for it; none before the first.
    bool isDevicePreviewActive = false;
    std::optional<DevicePreviewHealthSummary> devicePreviewHealth;

    bool operator==(const ProjectRowContext &) const = default;
};

} // namespace devnook
