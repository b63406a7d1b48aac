#include "FileSafety.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace devnook::FileSafety {

Result<void> writeAtomically(const QString &path, const QByteArray &bytes)
{
    // Unbuffered, so a short write (disk full, size limit) shows in the count;
    // a buffered QSaveFile can commit a truncated file and report success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Result<void>::failure(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.error() == QFileDevice::NoError ? u"the disk refused part of the write"_s
                                                                   : file.errorString();
        file.cancelWriting();
        return Result<void>::failure(error);
    }
    if (!file.commit())
        return Result<void>::failure(file.errorString());
    return Result<void>::success();
}

Result<QString> copyAside(const QString &path, const QDateTime &now)
{
    const QString base = path + u".unreadable-"_s + now.toUTC().toString(u"yyyyMMdd-HHmmss"_s);
    QString target = base;
    for (int attempt = 2; QFileInfo::exists(target); ++attempt)
        target = base + u'-' + QString::number(attempt);
    QFile source(path);
    if (!source.copy(target))
        return Result<QString>::failure(source.errorString());
    return Result<QString>::success(target);
}

} // namespace devnook::FileSafety
