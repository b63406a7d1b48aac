#pragma once

#include <QThreadPool>

namespace devnook {

// The low-priority threads that read project folders and wait for git, kept
// apart from the global pool so a slow repository cannot starve other work.
QThreadPool &backgroundReadPool();

} // namespace devnook
