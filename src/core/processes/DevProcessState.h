#pragma once

namespace devnook {

// The state of a project's dev processes, worked out from its services.
enum class DevProcessState {
    stopped,
    starting,
    running,
    failed,
};

} // namespace devnook
