#include "FileSafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

using namespace Qt::StringLiterals;

namespace devnook::FileSafety {

namespace {

// Compared block by block, so a large damaged file is never held whole.
bool sameContent(const QString &path, const QString &otherPath)
{
    constexpr qint64 kBlockSize = 64 * 1024;
    QFile file(path);
    QFile other(otherPath);
    if (file.size() != other.size() || !file.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly))
        return false;
    while (!file.atEnd()) {
        const QByteArray block = file.read(kBlockSize);
        if (block.isEmpty() || block != other.read(kBlockSize))
            return false;
    }
    return true;
}

std::optional<QString> identicalCopy(const QFileInfo &file)
{
    const QString prefix = file.fileName() + u".unreadable-"_s;
    for (const QFileInfo &candidate : file.dir().entryInfoList(QDir::Files)) {
        if (candidate.fileName().startsWith(prefix) && sameContent(file.filePath(), candidate.filePath()))
            return candidate.filePath();
    }
    return std::nullopt;
}

} // namespace

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
    // A file that stays unreadable is met again at every start; one copy of
    // it is enough.
    if (const auto earlier = identicalCopy(QFileInfo(path)))
        return Result<QString>::success(*earlier);
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
