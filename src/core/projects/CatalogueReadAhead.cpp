#include "CatalogueReadAhead.h"

#include "JSONProjectPersistence.h"

#include <QFile>
#include <QThread>

namespace devnook {

CatalogueReadAhead::CatalogueReadAhead(QString path) : m_path(std::move(path))
{
    // Qt takes the first thread that asks for its thread data as the main
    // thread; the reading thread's file would ask before the application
    // object exists.
    QThread::currentThread();
    m_read = std::async(std::launch::async, &CatalogueReadAhead::read, m_path);
}

bool CatalogueReadAhead::Stamp::operator==(const Stamp &other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::optional<CatalogueReadAhead::Stamp> CatalogueReadAhead::stampOf(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return Stamp{status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

// Stamped before it is read: a change while reading makes the stamp stale,
// never the other way round.
std::optional<CatalogueReadAhead::Read> CatalogueReadAhead::read(const QString &path)
{
    const std::optional<Stamp> stamp = stampOf(path);
    if (!stamp)
        return std::nullopt;
    return Read{*stamp, JSONProjectPersistence::readCatalogue(path)};
}

std::optional<Result<LoadedCatalogue>> CatalogueReadAhead::take(const QString &path)
{
    if (path != m_path || !m_read.valid())
        return std::nullopt;
    std::optional<Read> read = m_read.get();
    if (!read || stampOf(path) != read->stamp)
        return std::nullopt;
    return std::move(read->catalogue);
}

} // namespace devnook
