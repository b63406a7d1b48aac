#include "UsageFileWorker.h"

#include "UsageLimits.h"
#include "UsageSessionCoding.h"
#include "UsageSessionSplitting.h"
#include "core/foundation/FileSafety.h"
#include "core/foundation/L10n.h"
#include "core/foundation/SystemErrorText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// The file's bytes; nothing when it does not exist, the error when it cannot be read.
std::optional<Result<QByteArray>> readIfPresent(const QString &path)
{
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QFile file;
    if (auto opened = FileSafety::openForReading(file, path); !opened)
        return Result<QByteArray>::failure(opened.error());
    return Result<QByteArray>::success(file.readAll());
}

QString writeFile(const QString &path, const Result<QByteArray> &bytes)
{
    if (!bytes)
        return bytes.error();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return L10n::format(u"folder_not_created"_s, {folder});
    const auto written = FileSafety::writeAtomically(path, bytes.value());
    return written ? QString() : written.error();
}

} // namespace

UsageFileWorker::UsageFileWorker(QString historyPath, QString checkpointPath, QObject &context)
    : m_historyPath(std::move(historyPath)), m_checkpointPath(std::move(checkpointPath)), m_context(context)
{
    m_pool.setMaxThreadCount(1);
}

UsageFileWorker::~UsageFileWorker()
{
    m_pool.waitForDone();
}

void UsageFileWorker::load(Timestamp now, const UsageCalendar &calendar,
                           std::function<void(UsageLoadOutcome)> onLoaded)
{
    {
        const QMutexLocker lock(&m_mutex);
        m_running = true;
    }
    m_pool.start([this, now, calendar, onLoaded = std::move(onLoaded)] {
        const UsageLoadOutcome outcome = readFiles(now, calendar);
        deliver([onLoaded, outcome] { onLoaded(outcome); });
        drain();
    });
}

void UsageFileWorker::write(UsageFileJob job)
{
    const QMutexLocker lock(&m_mutex);
    if (m_pending) {
        // The waiting job will never run alone: what the new one leaves out,
        // it takes from it.
        if (!job.history)
            job.history = std::move(m_pending->history);
        if (!job.checkpoint)
            job.checkpoint = std::move(m_pending->checkpoint);
    }
    m_pending = std::move(job);
    if (!m_running) {
        m_running = true;
        m_pool.start([this] { drain(); });
    }
}

void UsageFileWorker::waitForIdle()
{
    for (;;) {
        {
            const QMutexLocker lock(&m_mutex);
            while (m_running)
                m_idle.wait(&m_mutex);
        }
        QCoreApplication::sendPostedEvents(&m_context, QEvent::MetaCall);
        // An outcome may have been posted after the events were sent.
        const QMutexLocker lock(&m_mutex);
        if (!m_running && m_undelivered == 0)
            return;
    }
}

void UsageFileWorker::deliver(std::function<void()> outcome)
{
    {
        const QMutexLocker lock(&m_mutex);
        ++m_undelivered;
    }
    QMetaObject::invokeMethod(
        &m_context,
        [this, outcome = std::move(outcome)] {
            {
                const QMutexLocker lock(&m_mutex);
                --m_undelivered;
            }
            outcome();
        },
        Qt::QueuedConnection);
}

void UsageFileWorker::drain()
{
    for (;;) {
        UsageFileJob job;
        {
            const QMutexLocker lock(&m_mutex);
            if (!m_pending) {
                m_running = false;
                m_idle.wakeAll();
                return;
            }
            job = std::move(*m_pending);
            m_pending.reset();
        }
        const UsageWriteOutcome outcome = writeFiles(job);
        deliver([this, outcome] {
            if (m_onWritten)
                m_onWritten(outcome);
        });
    }
}

UsageLoadOutcome UsageFileWorker::readFiles(Timestamp now, const UsageCalendar &calendar)
{
    UsageLoadOutcome outcome;
    UsageSessionCoding::DecodedSessions decoded;
    const QFileInfo folder(QFileInfo(m_historyPath).absolutePath());
    if (folder.exists() && !folder.isDir()) {
        outcome.readError = L10n::format(u"folder_not_a_folder"_s, {folder.filePath()});
    } else if (auto regular = FileSafety::checkRegularIfPresent(m_historyPath); !regular) {
        // Left as it is: not read, not copied aside, and never written over.
        outcome.readError = regular.error();
    } else if (const auto bytes = readIfPresent(m_historyPath)) {
        if (*bytes)
            decoded = UsageSessionCoding::decodeSessions(bytes->value());
        else
            outcome.readError = bytes->error();
        outcome.keptAsStored = std::move(decoded.keptAsStored);
        outcome.unreadable = decoded.unreadable;
        if (!*bytes || !decoded.unreadable.isEmpty()) {
            auto aside = keepDamagedHistory(now);
            if (aside)
                outcome.asidePath = aside.value();
            else
                outcome.asideError = aside.error();
        }
    }
    QList<ProjectUsageSession> countable;
    countable.reserve(decoded.sessions.size());
    QSet<QUuid> storedIDs;
    storedIDs.reserve(decoded.sessions.size() + outcome.keptAsStored.size());
    for (const SessionKeptAsStored &kept : std::as_const(outcome.keptAsStored))
        storedIDs.insert(kept.id);
    for (ProjectUsageSession &session : decoded.sessions) {
        storedIDs.insert(session.id);
        switch (UsageLimits::shapeOf(session)) {
        case UsageLimits::SessionShape::countable:
            countable.append(std::move(session));
            break;
        case UsageLimits::SessionShape::empty:
            break;
        default:
            outcome.uncounted.append(std::move(session));
        }
    }
    // Sessions written by other versions may cross midnight; they are cut in
    // memory and written cut at the next save.
    outcome.counted = UsageSessionSplitting::normalizedByDay(countable, calendar);
    readCheckpoint(outcome, storedIDs, now);
    return outcome;
}

void UsageFileWorker::readCheckpoint(UsageLoadOutcome &outcome, const QSet<QUuid> &storedIDs, Timestamp now)
{
    if (auto regular = FileSafety::checkRegularIfPresent(m_checkpointPath); !regular) {
        // Left as it is, as the history is.
        outcome.checkpointError = regular.error();
        return;
    }
    const auto bytes = readIfPresent(m_checkpointPath);
    if (!bytes)
        return;
    UsageSessionCoding::DecodedSessions decoded;
    if (*bytes)
        decoded = UsageSessionCoding::decodeSessions(bytes->value());
    else
        outcome.checkpointError = bytes->error();
    outcome.checkpointUnreadable = decoded.unreadable;
    if (!*bytes || decoded.unreadable.count > 0) {
        auto aside = keepDamagedCheckpoint(now);
        if (aside)
            outcome.checkpointAsidePath = aside.value();
        else
            outcome.checkpointAsideError = aside.error();
    }
    // A checkpoint whose sessions were recorded before the run ended holds
    // nothing new.
    for (const ProjectUsageSession &session : decoded.sessions) {
        if (!storedIDs.contains(session.id))
            outcome.recovered.append(session);
    }
    // A later version's sources are kept in the history, as the history's own are.
    for (const SessionKeptAsStored &kept : decoded.keptAsStored) {
        if (!storedIDs.contains(kept.id))
            outcome.recoveredAsStored.append(kept);
    }
}

UsageWriteOutcome UsageFileWorker::writeFiles(UsageFileJob &job)
{
    UsageWriteOutcome outcome;
    if (job.history) {
        outcome.historyError = writeHistory(job, outcome.historyAsidePath);
        if (!outcome.historyError->isEmpty())
            return outcome;
    }
    if (job.checkpoint)
        outcome.checkpointError = writeCheckpoint(*job.checkpoint, job.now, outcome.checkpointAsidePath);
    return outcome;
}

QString UsageFileWorker::writeCheckpoint(const QList<ProjectUsageSession> &stretches, Timestamp now,
                                         QString &asidePath)
{
    // A damaged file that has gone is at risk no more; a file written in its
    // place later must not be taken for it.
    m_damagedCheckpointAtRisk = m_damagedCheckpointAtRisk && QFileInfo::exists(m_checkpointPath);
    if (m_damagedCheckpointAtRisk) {
        auto kept = keepDamagedCheckpoint(now);
        if (!kept)
            return L10n::format(u"running_usage_not_kept_aside_reason"_s, {kept.error()});
        asidePath = kept.value();
    }
    if (stretches.isEmpty()) {
        if (auto regular = FileSafety::checkRegularIfPresent(m_checkpointPath); !regular)
            return regular.error();
        if (QFileInfo::exists(m_checkpointPath) &&
            ::unlink(QFile::encodeName(m_checkpointPath).constData()) != 0)
            return L10n::format(u"file_not_removed"_s, {m_checkpointPath, SystemErrorText::of(errno)});
        return {};
    }
    // Running stretches are judged when they are recovered, as the history's are.
    return writeFile(m_checkpointPath, UsageSessionCoding::encodeSessionFile({}, stretches, {}));
}

QString UsageFileWorker::writeHistory(UsageFileJob &job, QString &asidePath)
{
    m_damagedHistoryAtRisk = m_damagedHistoryAtRisk && QFileInfo::exists(m_historyPath);
    if (m_damagedHistoryAtRisk) {
        auto kept = keepDamagedHistory(job.now);
        if (!kept)
            return L10n::format(u"usage_history_not_kept_aside_reason"_s, {kept.error()});
        asidePath = kept.value();
    }
    const auto bytes = UsageSessionCoding::encodeSessionFile(job.history->counted, job.history->uncounted,
                                                             job.history->keptAsStored);
    // Let go of the lists before the disk is waited on: while they are
    // shared, the interface thread's next change copies the whole history.
    job.history.reset();
    return writeFile(m_historyPath, bytes);
}

Result<QString> UsageFileWorker::keepDamagedHistory(Timestamp now)
{
    auto copy = FileSafety::copyAside(m_historyPath, now.toDateTime());
    m_damagedHistoryAtRisk = !copy;
    return copy;
}

Result<QString> UsageFileWorker::keepDamagedCheckpoint(Timestamp now)
{
    auto copy = FileSafety::copyAside(m_checkpointPath, now.toDateTime());
    m_damagedCheckpointAtRisk = !copy;
    return copy;
}

} // namespace devnook
