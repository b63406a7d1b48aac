#include "SignalCache.h"

#include "core/foundation/Clock.h"
#include "core/foundation/FileSafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;
using Level = devnook::LogHandler::LogLevel;

namespace devnook {

namespace {

std::optional<QList<SignalPostBody>> decodeSignals(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<SignalPostBody> signalList;
    const QJsonArray array = document.array();
    for (const QJsonValue &value : array) {
        auto body = SignalPostBody::fromCacheJson(value.toObject());
        if (!body)
            return std::nullopt;
        signalList.append(std::move(*body));
    }
    return signalList;
}

} // namespace

SignalCache::SignalCache(std::optional<LogHandler> logHandler, int cacheLimit, QString filePath,
                         const Clock &clock)
    : m_logHandler(std::move(logHandler)), m_cacheLimit(std::max(0, cacheLimit)),
      m_filePath(std::move(filePath)), m_clock(clock)
{
    loadFromDisk();
}

QString SignalCache::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           u"/Devnook/telemetrysignalcache"_s;
}

void SignalCache::push(const SignalPostBody &signal)
{
    m_signals.append(signal);
    trimToCacheLimit();
}

void SignalCache::push(const QList<SignalPostBody> &signalList)
{
    m_signals.append(signalList);
    trimToCacheLimit();
}

QList<SignalPostBody> SignalCache::pop()
{
    const qsizetype n = std::min<qsizetype>(m_signals.size(), kMaximumSignalsToPopAtOnce);
    QList<SignalPostBody> batch = m_signals.first(n);
    m_signals.remove(0, n);
    return batch;
}

Result<void> SignalCache::backupCache(const QList<SignalPostBody> &inFlight)
{
    QList<SignalPostBody> saved = inFlight + m_signals;
    saved.remove(0, std::max<qsizetype>(0, saved.size() - m_cacheLimit));
    QJsonArray array;
    for (const SignalPostBody &signal : std::as_const(saved))
        array.append(signal.toCacheJson());
    const QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Compact);
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

void SignalCache::loadFromDisk()
{
    telemetryLog(m_logHandler, Level::info,
                 u"Loading Telemetry cache from: "_s + QUrl::fromLocalFile(m_filePath).toString());
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    file.close();
    auto decoded = decodeSignals(bytes);
    // A damaged file is kept for inspection, then cleared like a read one so
    // that the next quit can write the cache again.
    if (!decoded)
        (void)FileSafety::copyAside(m_filePath, m_clock.now().toDateTime());
    QFile::remove(m_filePath);
    if (!decoded)
        return;
    telemetryLog(m_logHandler, Level::info, u"Loaded %1 signals"_s.arg(decoded->size()));
    m_signals.append(*decoded);
    trimToCacheLimit();
}

void SignalCache::trimToCacheLimit()
{
    m_signals.remove(0, std::max<qsizetype>(0, m_signals.size() - m_cacheLimit));
}

} // namespace devnook
