#pragma once

#include "SignalPostBody.h"
#include "TelemetryLog.h"
#include "core/foundation/Result.h"

#include <QList>
#include <optional>

namespace devnook {

class Clock;

// The signals built but not yet accepted by the ingest service, oldest first,
// never more than the limit (the oldest go first). They survive a quit in one
// file, which is read and removed when the cache is made and written when the
// application terminates.
class SignalCache {
public:
    static constexpr int kMaximumSignalsToPopAtOnce = 100;

    // Loads the file and removes it. A file that does not decode is kept
    // aside and the cache starts empty.
    SignalCache(std::optional<LogHandler> logHandler, int cacheLimit, QString filePath, const Clock &clock);

    // "telemetrysignalcache" in $XDG_CACHE_HOME/Devnook.
    static QString defaultFilePath();

    // Appends at the end, then drops the oldest beyond the limit.
    void push(const SignalPostBody &signal);
    void push(const QList<SignalPostBody> &signals);
    int count() const { return int(m_signals.size()); }
    // Removes and returns the oldest signals, at most 100; empty when none.
    QList<SignalPostBody> pop();

    // Writes the file atomically, creating its folder: the batch that is still
    // in flight first, then the queue, within the limit. Empties the queue on
    // success; keeps it on failure.
    Result<void> backupCache(const QList<SignalPostBody> &inFlight = {});

private:
    void loadFromDisk();
    void trimToCacheLimit();

    std::optional<LogHandler> m_logHandler;
    int m_cacheLimit;
    QString m_filePath;
    const Clock &m_clock;
    QList<SignalPostBody> m_signals;
};

} // namespace devnook
