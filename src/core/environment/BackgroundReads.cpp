#include "BackgroundReads.h"

#include <QThread>
#include <algorithm>

namespace devnook {

namespace {

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

} // namespace devnook
