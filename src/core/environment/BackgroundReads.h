#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QList>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace devnook {

// The low-priority threads that read project folders and wait for git, kept
// apart from the global pool so a slow repository cannot starve other work.
// As the application object is destroyed, the reads are stopped and every
// thread of the pool has ended before it is gone.
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

// Reads every item on the read pool at the lowered priority: each pool
// thread takes the next item as soon as it is done with one, so a slow item
// holds up only its own thread. The results come in the items' order; after
// stopBackgroundReads the items not started yet give default results.
template <typename Item, typename Read>
QCoro::Task<QList<std::invoke_result_t<Read, const Item &>>> readEach(QList<Item> items, Read read)
{
    using Result = std::invoke_result_t<Read, const Item &>;
    struct Shared {
        // Only read from the threads: at(), never a detaching operator[].
        QList<Item> items;
        std::vector<Result> results;
        std::atomic<qsizetype> next = 0;
    };
    auto shared = std::make_shared<Shared>();
    shared->items = std::move(items);
    shared->results.resize(static_cast<size_t>(shared->items.size()));
    const qsizetype workers =
        std::min<qsizetype>(backgroundReadPool().maxThreadCount(), shared->items.size());
    QList<QFuture<void>> running;
    for (qsizetype i = 0; i < workers; ++i)
        running.append(QtConcurrent::run(&backgroundReadPool(), [shared, read] {
            lowerCurrentThreadPriority();
            for (qsizetype index = shared->next++; index < shared->items.size() && !backgroundReadsStopped();
                 index = shared->next++)
                shared->results[static_cast<size_t>(index)] = read(shared->items.at(index));
        }));
    for (QFuture<void> &worker : running)
        co_await worker;
    co_return QList<Result>(std::make_move_iterator(shared->results.begin()),
                            std::make_move_iterator(shared->results.end()));
}

} // namespace devnook
