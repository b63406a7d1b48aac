#include "FileSafety.h"

#include "L10n.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace devnook::FileSafety {

namespace {

Result<void> notRegular(const QString &path)
{
    return Result<void>::failure(L10n::format(u"file_not_regular"_s, {path}));
}

} // namespace

Result<void> checkRegularIfPresent(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return notRegular(path);
    return Result<void>::success();
}

Result<void> openForReading(QFile &file, const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Result<void>::failure(SystemErrorText::of(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return notRegular(path);
    }
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Result<void>::failure(SystemErrorText::of(file));
    }
    return Result<void>::success();
}

namespace {

// Damaged files are read in blocks of this size, never held whole.
constexpr qint64 kBlockSize = 64 * 1024;

bool sameContent(const QString &path, const QString &otherPath)
{
    if (QFileInfo(path).size() != QFileInfo(otherPath).size())
        return false;
    QFile file;
    QFile other;
    if (!openForReading(file, path) || !openForReading(other, otherPath))
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

// Writes every byte, or cancels the file and says why. A write that the
// disk cuts short reports no error; writing the rest then fails with the
// system's reason (disk full, file too large), which becomes the file's error.
std::optional<QString> writeAllOrCancel(QSaveFile &file, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0) {
            const QString error = file.error() == QFileDevice::NoError ? L10n::text(u"file_write_cut_short"_s)
                                                                       : SystemErrorText::of(file);
            file.cancelWriting();
            return error;
        }
        bytes = bytes.sliced(written);
    }
    return std::nullopt;
}

} // namespace

Result<void> writeAtomically(const QString &path, const QByteArray &bytes)
{
    if (auto regular = checkRegularIfPresent(path); !regular)
        return regular;
    // QSaveFile refuses a file that may not be written in English words of
    // its own that give no reason; the system's error number gives it
    // (permissions, a read-only file system).
    if (::access(QFile::encodeName(path).constData(), W_OK) != 0 && errno != ENOENT)
        return Result<void>::failure(SystemErrorText::of(errno));
    // Unbuffered, so a short write (disk full, size limit) shows in the count;
    // a buffered QSaveFile can commit a truncated file and report success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Result<void>::failure(SystemErrorText::of(file));
    if (const std::optional<QString> error = writeAllOrCancel(file, bytes))
        return Result<void>::failure(*error);
    if (!file.commit())
        return Result<void>::failure(SystemErrorText::of(file));
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
    // Copied block by block through a file of its own rather than by
    // QFile::copy, whose failure names no system reason; a copy that fails
    // leaves nothing under the copy's name.
    QFile source;
    if (auto opened = openForReading(source, path); !opened)
        return Result<QString>::failure(opened.error());
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Result<QString>::failure(SystemErrorText::of(copy));
    while (!source.atEnd()) {
        const QByteArray block = source.read(kBlockSize);
        if (block.isEmpty()) {
            if (source.error() == QFileDevice::NoError)
                break;
            copy.cancelWriting();
            return Result<QString>::failure(SystemErrorText::of(source));
        }
        if (const std::optional<QString> error = writeAllOrCancel(copy, block))
            return Result<QString>::failure(*error);
    }
    if (!copy.commit())
        return Result<QString>::failure(SystemErrorText::of(copy));
    return Result<QString>::success(target);
}

} // namespace devnook::FileSafety
