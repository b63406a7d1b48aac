#include "SignalCache.h"

#include "SignalCacheFile.h"
#include "core/foundation/Clock.h"
#include "core/foundation/FileSafety.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;
using Level = devnook::LogHandler::LogLevel;

namespace devnook {

SignalCache::SignalCache(std::optional<LogHandler> logHandler, int cacheLimit, QString filePath,
                         const Clock &clock)
    : m_logHandler(std::move(logHandler)), m_cacheLimit(std::max(0, cacheLimit)),
      m_filePath(std::move(filePath))
{
    telemetryLog(m_logHandler, Level::info,
                 u"Loading Telemetry cache from: "_s + QUrl::fromLocalFile(m_filePath).toString());
    // Up to 10,000 signals take a while to check; the interface does not wait.
    m_loading = QtConcurrent::run(&SignalCacheFile::takeSignals, m_filePath, clock.now().toDateTime());
}

SignalCache::~SignalCache()
{
    m_loading.waitForFinished();
}

QString SignalCache::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           u"/Devnook/telemetrysignalcache"_s;
}

void SignalCache::takeInLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    const QList<QByteArray> loaded = m_loading.result();
    m_loading = {};
    if (loaded.isEmpty())
        return;
    telemetryLog(m_logHandler, Level::info, u"Loaded %1 signals"_s.arg(loaded.size()));
    // They are older than anything pushed while they were read.
    m_signals = loaded + m_signals;
    trimToCacheLimit();
}

void SignalCache::push(const SignalPostBody &signal)
{
    m_signals.append(SignalCacheFile::pack(signal.toCacheBytes()));
    trimToCacheLimit();
}

void SignalCache::push(const QList<QByteArray> &signalList)
{
    for (const QByteArray &signal : signalList)
        m_signals.append(SignalCacheFile::pack(signal));
    trimToCacheLimit();
}

QList<QByteArray> SignalCache::pop()
{
    const qsizetype n = std::min<qsizetype>(m_signals.size(), kMaximumSignalsToPopAtOnce);
    QList<QByteArray> batch;
    batch.reserve(n);
    for (qsizetype index = 0; index < n; ++index)
        batch.append(SignalCacheFile::unpack(m_signals[index]));
    m_signals.remove(0, n);
    return batch;
}

Result<void> SignalCache::backupCache(const QList<QByteArray> &inFlight)
{
    takeInLoaded();
    QList<QByteArray> saved;
    saved.reserve(inFlight.size() + m_signals.size());
    for (const QByteArray &signal : inFlight)
        saved.append(SignalCacheFile::pack(signal));
    saved.append(m_signals);
    saved.remove(0, std::max<qsizetype>(0, saved.size() - m_cacheLimit));
    const QByteArray bytes = SignalCacheFile::joinSignals(saved);
    const QString folder = QFileInfo(m_filePath).absolutePath();
    Result<void> written = QDir().mkpath(folder)
                               ? FileSafety::writeAtomically(m_filePath, bytes)
                               : Result<void>::failure(u"could not create the folder %1"_s.arg(folder));
    if (!written) {
        telemetryLog(m_logHandler, Level::error, u"Error saving Telemetry cache"_s);
        return written;
    }
    telemetryLog(m_logHandler, Level::info,
                 u"Saved Telemetry cache %1 bytes of %2 signals"_s.arg(bytes.size()).arg(saved.size()));
    m_signals.clear();
    return written;
}

void SignalCache::trimToCacheLimit()
{
    m_signals.remove(0, std::max<qsizetype>(0, m_signals.size() - m_cacheLimit));
}

} // namespace devnook
