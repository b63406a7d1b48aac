#pragma once

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>

namespace devnook {

// The low-priority threads that read project folders and wait for git, kept
// apart from the global pool so a slow repository cannot starve other work.
QThreadPool &backgroundReadPool();

// Lowers the calling thread's scheduling priority below the interface's, once;
// the processes it starts (git) inherit it.
void lowerCurrentThreadPriority();

// Runs the function on the read pool at the lowered priority, so a refresh of
// many projects does not hold up the interface while it starts or paints.
template <typename Function, typename... Args> auto runBackgroundRead(Function function, Args... args)
{
    return QtConcurrent::run(&backgroundReadPool(), [function, args...]() {
        lowerCurrentThreadPriority();
        return std::invoke(function, args...);
    });
}

// For the quit: reads that have not started yet find nothing at once, and
// running git calls are killed, so the pool's threads end promptly. There is
// no way back.
void stopBackgroundReads();

// True once stopBackgroundReads was called; safe on any thread.
bool backgroundReadsStopped();

// Hands the heap's free pages back to the system, on a read thread: reading
// every project leaves megabytes free that the allocator would otherwise
// keep for good.
void releaseFreeMemory();

} // namespace devnook
