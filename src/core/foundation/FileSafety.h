#pragma once

#include "Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace devnook::FileSafety {

// Replaces the file with the bytes through a temporary file, so readers see the
// old content or the new one whole; on failure the old file is left as it was.
Result<void> writeAtomically(const QString &path, const QByteArray &bytes);

// Copies a file that could not be read or decoded to
// "<path>.unreadable-<UTC yyyyMMdd-HHmmss>" (with "-2", "-3"… when that name is
// taken) so that a later save cannot destroy it. Returns the copy's path; when
// an earlier copy beside it holds the same bytes, that copy's path, and nothing
// is copied.
Result<QString> copyAside(const QString &path, const QDateTime &now);

} // namespace devnook::FileSafety
