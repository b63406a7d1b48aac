#pragma once

#include "core/store/IdleTimeSource.h"

#include <memory>

namespace devnook::LinuxIdleTime {

// The session's idle-time source, chosen once, when first asked: the X
// server's under X11, else a desktop service on the session bus, else a source
// that never reports the user as away.
std::unique_ptr<IdleTimeSource> choose(bool x11Session);

} // namespace devnook::LinuxIdleTime
