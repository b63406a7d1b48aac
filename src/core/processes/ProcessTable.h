#pragma once

#include <sys/types.h>

namespace devnook::ProcessTable {

// True while the process exists and is not a zombie. A process of another
// user counts as alive.
bool isAlive(pid_t pid);

// True while any process of the group exists and is not a zombie.
bool hasLiveMember(pid_t processGroup);

} // namespace devnook::ProcessTable
