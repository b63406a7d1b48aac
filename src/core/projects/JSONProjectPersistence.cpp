#include "JSONProjectPersistence.h"

#include "CatalogueReadAhead.h"
#include "ProjectCoding.h"
#include "core/foundation/Clock.h"
#include "core/foundation/FileSafety.h"
#include "core/foundation/L10n.h"
#include "core/foundation/SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kCatalogueFileName = u"projects.json"_s;
const QString kProductFolder = u"Devnook"_s;
const QString kLegacyFolder = u"Quarrylin"_s;

} // namespace

JSONProjectPersistence::JSONProjectPersistence(QString dataHome, const Clock &clock,
                                               CatalogueReadAhead *readAhead)
    : m_dataHome(std::move(dataHome)), m_clock(clock), m_readAhead(readAhead)
{}

QString JSONProjectPersistence::defaultDataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString JSONProjectPersistence::catalogueFilePath(const QString &dataHome)
{
    return dataHome + u'/' + kProductFolder + u'/' + kCatalogueFileName;
}

QString JSONProjectPersistence::catalogueFilePath() const
{
    return catalogueFilePath(m_dataHome);
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
    QFile legacy;
    if (auto opened = FileSafety::openForReading(legacy, legacyPath); !opened)
        return opened;
    const QString folder = QFileInfo(targetPath).absolutePath();
    if (!QDir().mkpath(folder))
        return Result<void>::failure(L10n::format(u"folder_not_created"_s, {folder}));
    const QByteArray bytes = legacy.readAll();
    if (legacy.error() != QFileDevice::NoError)
        return Result<void>::failure(SystemErrorText::of(legacy));
    return FileSafety::writeAtomically(targetPath, bytes);
}

Result<LoadedCatalogue> JSONProjectPersistence::readCatalogue(const QString &path)
{
    QFile file;
    if (auto opened = FileSafety::openForReading(file, path); !opened)
        return Result<LoadedCatalogue>::failure(opened.error());
    return ProjectCoding::decodeCatalogue(file.readAll());
}

Result<void> JSONProjectPersistence::checkDataFolder(const QString &path) const
{
    // The nearest existing folder above the catalogue must be a folder, or
    // the catalogue can neither be there nor ever be written.
    QFileInfo ancestor(QFileInfo(path).absolutePath());
    while (!ancestor.exists() && !ancestor.isRoot())
        ancestor.setFile(ancestor.absolutePath());
    if (ancestor.exists() && !ancestor.isDir())
        return Result<void>::failure(L10n::format(u"catalogue_folder_is_a_file"_s, {ancestor.filePath()}));
    return Result<void>::success();
}

Result<LoadedCatalogue> JSONProjectPersistence::loadProjects()
{
    const QString path = catalogueFilePath();
    if (auto migrated = migrateLegacyProjectsIfNeeded(path); !migrated)
        return Result<LoadedCatalogue>::failure(migrated.error());
    if (!QFileInfo::exists(path)) {
        if (auto folder = checkDataFolder(path); !folder)
            return Result<LoadedCatalogue>::failure(folder.error());
        return Result<LoadedCatalogue>::success({});
    }
    // Neither read nor copied aside: a FIFO would hold the start until
    // something writes to it. Saves refuse it as well.
    if (auto regular = FileSafety::checkRegularIfPresent(path); !regular)
        return Result<LoadedCatalogue>::failure(regular.error());
    std::optional<Result<LoadedCatalogue>> readAhead =
        m_readAhead ? m_readAhead->take(path) : std::optional<Result<LoadedCatalogue>>();
    auto read = readAhead ? std::move(*readAhead) : readCatalogue(path);
    if (!read) {
        if (auto kept = keepCatalogueAside(path); !kept)
            return Result<LoadedCatalogue>::failure(
                L10n::format(u"catalogue_not_kept_aside_either"_s, {read.error(), kept.error()}));
        return read;
    }
    LoadedCatalogue catalogue = std::move(read).value();
    catalogue.renumberedCount = giveRepeatedIdsNewOnes(catalogue.projects);
    if (!catalogue.unreadable.isEmpty() || catalogue.renumberedCount > 0) {
        if (auto kept = keepCatalogueAside(path); kept)
            catalogue.keptAsidePath = kept.value();
        else
            catalogue.keepAsideError = kept.error();
    }
    // Written back at once, so the new ids stay the same at the next start.
    if (catalogue.renumberedCount > 0 && catalogue.keepAsideError.isEmpty()) {
        if (auto saved = saveProjects(catalogue.projects); !saved)
            catalogue.rewriteError = saved.error();
    }
    return Result<LoadedCatalogue>::success(std::move(catalogue));
}

int JSONProjectPersistence::giveRepeatedIdsNewOnes(QList<DevProject> &projects)
{
    QSet<QUuid> seen;
    int renumbered = 0;
    for (DevProject &project : projects) {
        if (seen.contains(project.id)) {
            project.id = QUuid::createUuid();
            ++renumbered;
        }
        seen.insert(project.id);
    }
    return renumbered;
}

Result<QString> JSONProjectPersistence::keepCatalogueAside(const QString &path)
{
    auto copy = FileSafety::copyAside(path, m_clock.now().toDateTime());
    m_catalogueAtRisk = !copy;
    return copy;
}

Result<void> JSONProjectPersistence::saveProjects(const QList<DevProject> &projects)
{
    if (m_catalogueAtRisk && QFileInfo::exists(catalogueFilePath())) {
        if (auto kept = keepCatalogueAside(catalogueFilePath()); !kept)
            return Result<void>::failure(L10n::format(u"catalogue_at_risk_not_kept_aside"_s, {kept.error()}));
    }
    const QString folder = m_dataHome + u'/' + kProductFolder;
    if (!QDir().mkpath(folder))
        return Result<void>::failure(L10n::format(u"folder_not_created"_s, {folder}));
    return FileSafety::writeAtomically(catalogueFilePath(), ProjectCoding::encodeCatalogue(projects));
}

} // namespace devnook
