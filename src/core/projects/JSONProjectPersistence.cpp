#include "JSONProjectPersistence.h"

#include "ProjectCoding.h"
#include "core/foundation/Clock.h"
#include "core/foundation/FileSafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kCatalogueFileName = u"projects.json"_s;
const QString kProductFolder = u"Devnook"_s;
const QString kLegacyFolder = u"Quarrylin"_s;

} // namespace

JSONProjectPersistence::JSONProjectPersistence(QString dataHome, const Clock &clock)
    : m_dataHome(std::move(dataHome)), m_clock(clock)
{}

QString JSONProjectPersistence::defaultDataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString JSONProjectPersistence::catalogueFilePath() const
{
    return m_dataHome + u'/' + kProductFolder + u'/' + kCatalogueFileName;
}

QString JSONProjectPersistence::legacyCatalogueFilePath() const
{
    return m_dataHome + u'/' + kLegacyFolder + u'/' + kCatalogueFileName;
}

Result<void> JSONProjectPersistence::migrateLegacyProjectsIfNeeded(const QString &targetPath) const
{
    if (QFileInfo::exists(targetPath))
        return Result<void>::success();
    const QString legacyPath = legacyCatalogueFilePath();
    if (!QFileInfo::exists(legacyPath))
        return Result<void>::success();
    const QString folder = QFileInfo(targetPath).absolutePath();
    if (!QDir().mkpath(folder))
        return Result<void>::failure(u"could not create the folder %1"_s.arg(folder));
    QFile legacy(legacyPath);
    if (!legacy.copy(targetPath))
        return Result<void>::failure(legacy.errorString());
    return Result<void>::success();
}

Result<QList<DevProject>> JSONProjectPersistence::readCatalogue(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<QList<DevProject>>::failure(file.errorString());
    return ProjectCoding::decodeCatalogue(file.readAll());
}

Result<QList<DevProject>> JSONProjectPersistence::loadProjects()
{
    const QString path = catalogueFilePath();
    if (auto migrated = migrateLegacyProjectsIfNeeded(path); !migrated)
        return Result<QList<DevProject>>::failure(migrated.error());
    if (!QFileInfo::exists(path))
        return Result<QList<DevProject>>::success({});
    auto projects = readCatalogue(path);
    if (!projects) {
        if (auto kept = keepUnreadableCatalogue(path); !kept)
            return Result<QList<DevProject>>::failure(
                u"%1 (the file could not be kept aside either: %2)"_s.arg(projects.error(), kept.error()));
    }
    return projects;
}

Result<void> JSONProjectPersistence::keepUnreadableCatalogue(const QString &path)
{
    auto copy = FileSafety::copyAside(path, m_clock.now().toDateTime());
    m_unreadableCatalogueAtRisk = !copy;
    return copy ? Result<void>::success() : Result<void>::failure(copy.error());
}

Result<void> JSONProjectPersistence::saveProjects(const QList<DevProject> &projects)
{
    if (m_unreadableCatalogueAtRisk && QFileInfo::exists(catalogueFilePath())) {
        if (auto kept = keepUnreadableCatalogue(catalogueFilePath()); !kept)
            return Result<void>::failure(
                u"the unreadable catalogue could not be kept aside: %1"_s.arg(kept.error()));
    }
    const QString folder = m_dataHome + u'/' + kProductFolder;
    if (!QDir().mkpath(folder))
        return Result<void>::failure(u"could not create the folder %1"_s.arg(folder));
    return FileSafety::writeAtomically(catalogueFilePath(), ProjectCoding::encodeCatalogue(projects));
}

} // namespace devnook
