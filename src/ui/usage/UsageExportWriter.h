#pragma once

#include "core/foundation/Result.h"
#include "core/usage/ProjectUsageSession.h"
#include "core/usage/UsageRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace devnook::UsageExportWriter {

// Writes the export's bytes to the path in one atomic step, so a failure
// leaves no partial file; bytes that could not be made fail with their error.
Result<void> write(const QString &path, const Result<QByteArray> &bytes);

// Writes the export file of the sessions, earliest start first (sessions
// starting together keep their order), as above.
Result<void> write(const QString &path, QList<ProjectUsageSession> sessions, UsageExportFormat format);

} // namespace devnook::UsageExportWriter
