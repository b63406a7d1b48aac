#include "UsageExportWriter.h"

#include "core/foundation/FileSafety.h"
#include "core/usage/UsageTrackingService.h"

#include <algorithm>

namespace devnook::UsageExportWriter {

Result<void> write(const QString &path, QList<ProjectUsageSession> sessions, UsageExportFormat format)
{
    std::stable_sort(
        sessions.begin(), sessions.end(),
        [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt < b.startedAt; });
    const Result<QByteArray> bytes = UsageTrackingService::exportSessions(sessions, format);
    if (!bytes)
        return Result<void>::failure(bytes.error());
    return FileSafety::writeAtomically(path, bytes.value());
}

} // namespace devnook::UsageExportWriter
