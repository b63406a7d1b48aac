#pragma once

#include "Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QFile;

namespace devnook::FileSafety {

// Fails, naming the path, when a folder, FIFO, socket or device is at path;
// succeeds when a regular file, or a link to one, is there, or nothing.
// Opens nothing, so it never blocks.
Result<void> checkRegularIfPresent(const QString &path);

// Opens the regular file at path for reading. Anything else fails as
// checkRegularIfPresent says, without waiting: opening a FIFO would wait for a
// writer, and a device may wait too.
Result<void> openForReading(QFile &file, const QString &path);

// Replaces the file with the bytes through a temporary file, so readers see the
// old content or the new one whole; on failure the old file is left as it was.
// Something other than a regular file at path is left alone and refused.
Result<void> writeAtomically(const QString &path, const QByteArray &bytes);

// Copies a file that could not be read or decoded to
// "<path>.unreadable-<UTC yyyyMMdd-HHmmss>" (with "-2", "-3"… when that name is
// taken) so that a later save cannot destroy it. Returns the copy's path; when
// an earlier copy beside it holds the same bytes, that copy's path, and nothing
// is copied.
Result<QString> copyAside(const QString &path, const QDateTime &now);

} // namespace devnook::FileSafety
