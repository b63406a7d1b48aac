#pragma once

#include "SignalPostBody.h"
#include "TelemetryLog.h"
#include "core/foundation/Result.h"

#include <QFuture>
#include <QList>
#include <optional>

namespace devnook {

class Clock;

// The signals built but not yet accepted by the ingest service, oldest first,
// never more than the limit (the oldest go first). Each is held as its cache
// file text compressed, under a kilobyte, rather than as a body of many
// strings, which cost about 19 KB. They survive a quit in one file, which is
// read on a worker thread and removed once the cache is made, and written
// when the application terminates.
class SignalCache {
public:
    static constexpr int kMaximumSignalsToPopAtOnce = 100;

    // Starts reading the file; until the reading is taken in, the cache
    // holds only what is pushed.
    SignalCache(std::optional<LogHandler> logHandler, int cacheLimit, QString filePath, const Clock &clock);
    // Waits for the reading, if it still runs.
    ~SignalCache();

    SignalCache(const SignalCache &) = delete;
    SignalCache &operator=(const SignalCache &) = delete;

    // "telemetrysignalcache" in $XDG_CACHE_HOME/Devnook.
    static QString defaultFilePath();

    // The reading of the file, to be awaited before takeInLoaded.
    QFuture<QList<QByteArray>> loading() const { return m_loading; }
    bool isLoaded() const { return m_loaded; }
    // Waits for the reading if needed and puts the file's signals before
    // those pushed meanwhile, within the limit; once. A file that does not
    // decode was kept aside and gives none.
    void takeInLoaded();

    // Appends at the end, then drops the oldest beyond the limit.
    void push(const SignalPostBody &signal);
    // The same for signals in their cache file form (a batch that failed).
    void push(const QList<QByteArray> &signalList);
    int count() const { return int(m_signals.size()); }
    // Removes and returns the oldest signals in their cache file form, at
    // most 100; empty when none.
    QList<QByteArray> pop();

    // Takes the file's signals in first, then writes the file atomically,
    // creating its folder: the batch that is still in flight first, then the
    // queue, within the limit. Empties the queue on success; keeps it on
    // failure.
    Result<void> backupCache(const QList<QByteArray> &inFlight = {});

private:
    void trimToCacheLimit();

    std::optional<LogHandler> m_logHandler;
    int m_cacheLimit;
    QString m_filePath;
    QList<QByteArray> m_signals;
    QFuture<QList<QByteArray>> m_loading;
    bool m_loaded = false;
};

} // namespace devnook
