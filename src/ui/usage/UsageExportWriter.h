#pragma once

#include "core/foundation/Result.h"
#include "core/usage/ProjectUsageSession.h"
#include "core/usage/UsageRecords.h"

#include <QList>
#include <QString>

namespace devnook::UsageExportWriter {

// Writes the export file of the sessions, earliest start first (sessions
// starting together keep their order), to the path in one atomic step, so a
// failure leaves no partial file. The error says what went wrong.
Result<void> write(const QString &path, QList<ProjectUsageSession> sessions, UsageExportFormat format);

} // namespace devnook::UsageExportWriter
