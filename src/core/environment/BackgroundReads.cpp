#include "BackgroundReads.h"

#include <QThread>
#include <algorithm>
#include <atomic>

namespace devnook {

namespace {

std::atomic_bool g_stopped = false;

struct ReadPool : QThreadPool {
    ReadPool()
    {
        // The threads mostly wait on child processes and the disk, so more of
        // them than cores keeps a refresh of many projects moving.
        setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
        setThreadPriority(QThread::LowPriority);
    }
};

} // namespace

QThreadPool &backgroundReadPool()
{
    static ReadPool pool;
    return pool;
}

void stopBackgroundReads()
{
    g_stopped = true;
}

bool backgroundReadsStopped()
{
    return g_stopped;
}

} // namespace devnook
