#include "BackgroundReads.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace devnook {

namespace {

std::atomic_bool g_stopped = false;
// Below the interface, as a nice value: Qt's thread priorities change nothing
// under Linux's default scheduler.
constexpr int kReadNiceness = 10;
// Idle threads end this soon after a refresh and give back their stacks; the
// next refresh starts them again.
constexpr int kIdleThreadExpiryMs = 1000;

// Runs as the application object goes, as Qt finishes its own global pool
// there: left to the static destructors, the pool's threads, idle ones
// included, would run on while the globals they use are torn down.
void finishReads()
{
    stopBackgroundReads();
    backgroundReadPool().waitForDone();
}

struct ReadPool : QThreadPool {
    ReadPool()
    {
        // The threads mostly wait on child processes and the disk, so more of
        // them than cores keeps a refresh of many projects moving.
        setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
        setThreadPriority(QThread::LowPriority);
        setExpiryTimeout(kIdleThreadExpiryMs);
        qAddPostRoutine(&finishReads);
    }
};

} // namespace

QThreadPool &backgroundReadPool()
{
    static ReadPool pool;
    return pool;
}

void lowerCurrentThreadPriority()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    // On Linux the nice value is per thread; a failure leaves the default.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, thread, std::max(getpriority(PRIO_PROCESS, thread), kReadNiceness));
}

void stopBackgroundReads()
{
    g_stopped = true;
}

bool backgroundReadsStopped()
{
    return g_stopped;
}

void releaseFreeMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's allocator owns the heap; glibc's would be set up for the
    // first time here, racing with any other trim under way.
    return;
#else
    backgroundReadPool().start([] { malloc_trim(0); });
#endif
}

} // namespace devnook
