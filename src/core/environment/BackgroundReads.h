#pragma once

#include <QThreadPool>

namespace devnook {

// The low-priority threads that read project folders and wait for git, kept
// apart from the global pool so a slow repository cannot starve other work.
QThreadPool &backgroundReadPool();

// For the quit: reads that have not started yet find nothing at once, and
// running git calls are killed, so the pool's threads end promptly. There is
// no way back.
void stopBackgroundReads();

// True once stopBackgroundReads was called; safe on any thread.
bool backgroundReadsStopped();

} // namespace devnook
