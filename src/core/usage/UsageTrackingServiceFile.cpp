// Loading and saving the session file.
#include "UsageSessionCoding.h"
#include "UsageSessionSplitting.h"
#include "UsageTrackingService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/FileSafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace devnook {

UsageTrackingService::UsageTrackingService(QString dataHome, const Clock &clock)
    : m_dataHome(std::move(dataHome)), m_clock(clock)
{
    load();
}

QString UsageTrackingService::sessionsFilePath() const
{
    return m_dataHome + u"/Devnook/usage_sessions.json"_s;
}

void UsageTrackingService::load()
{
    const QString path = sessionsFilePath();
    if (!QFileInfo::exists(path))
        return;
    QFile file(path);
    auto decoded = file.open(QIODevice::ReadOnly)
                       ? UsageSessionCoding::decodeSessions(file.readAll())
                       : Result<QList<ProjectUsageSession>>::failure(file.errorString());
    if (!decoded) {
        // The list reads as empty; the failure of the copy is remembered so
        // that saving retries it first.
        (void)keepUnreadableFile();
        return;
    }
    // Sessions written by other versions may cross midnight; they are cut in
    // memory and written cut at the next save.
    m_completedSessions = UsageSessionSplitting::normalizedByDay(decoded.value(), UsageCalendar::current());
}

Result<void> UsageTrackingService::keepUnreadableFile()
{
    auto copy = FileSafety::copyAside(sessionsFilePath(), m_clock.now().toDateTime());
    m_unreadableFileAtRisk = !copy;
    return copy ? Result<void>::success() : Result<void>::failure(copy.error());
}

Result<void> UsageTrackingService::saveSessions()
{
    const QString path = sessionsFilePath();
    if (m_unreadableFileAtRisk && QFileInfo::exists(path)) {
        if (auto kept = keepUnreadableFile(); !kept)
            return Result<void>::failure(
                u"the unreadable session file could not be kept aside: %1"_s.arg(kept.error()));
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Result<void>::failure(u"could not create the folder %1"_s.arg(folder));
    auto bytes = UsageSessionCoding::encodeSessions(m_completedSessions);
    if (!bytes)
        return Result<void>::failure(bytes.error());
    return FileSafety::writeAtomically(path, bytes.value());
}

} // namespace devnook
