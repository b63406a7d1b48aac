#include "UsageExportWriter.h"

#include "core/foundation/FileSafety.h"
#include "core/usage/UsageSessionSplitting.h"
#include "core/usage/UsageTrackingService.h"

namespace devnook::UsageExportWriter {

Result<void> write(const QString &path, const Result<QByteArray> &bytes)
{
    if (!bytes)
        return Result<void>::failure(bytes.error());
    return FileSafety::writeAtomically(path, bytes.value());
}

Result<void> write(const QString &path, QList<ProjectUsageSession> sessions, UsageExportFormat format)
{
    UsageSessionSplitting::sortByStart(sessions);
    return write(path, UsageTrackingService::exportSessions(sessions, format));
}

} // namespace devnook::UsageExportWriter
