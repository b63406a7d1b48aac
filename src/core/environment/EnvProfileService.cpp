#include "EnvProfileService.h"

#include "BackgroundReads.h"
#include "core/foundation/Text.h"

#include <QCollator>
#include <QCoroFuture>
#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectEnvProfile ProjectEnvProfile::fromDetail(const ProjectEnvDetail &detail)
{
    ProjectEnvProfile profile{detail.displayName, {}};
    for (const ProjectEnvFileInfo &file : detail.files)
        profile.fileNames.append(file.fileName);
    return profile;
}

namespace EnvProfileService {

namespace {

struct KnownFile {
    QStringView name;
    QStringView sortKey;
};

// In the order a primary file is chosen.
constexpr std::array<KnownFile, 6> kKnownFiles{{
    {u".env", u"00-default"},
    {u".env.local", u"01-local"},
    {u".env.development", u"02-development"},
    {u".env.development.local", u"03-development-local"},
    {u".env.staging", u"04-staging"},
    {u".env.production", u"05-production"},
}};

bool isEnvFileName(const QString &name)
{
    return name == u".env" || name.startsWith(u".env.");
}

QList<ProjectEnvFileInfo> envFileInfos(const QString &folderPath)
{
    QList<ProjectEnvFileInfo> files;
    // Unsorted keeps the listing's own order, which a tie in the sort keeps.
    const QFileInfoList entries =
        QDir(folderPath)
            .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        // Regular files only: a folder, a socket or a symbolic link is skipped.
        if (!isEnvFileName(name) || entry.isSymLink() || !entry.isFile())
            continue;
        const QDateTime modified = entry.lastModified();
        files.append(ProjectEnvFileInfo{
            name,
            name,
            profileName(name),
            modified.isValid() ? std::optional(Timestamp::fromDateTime(modified)) : std::nullopt,
            entry.size(),
        });
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(files.begin(), files.end(),
                     [&collator](const ProjectEnvFileInfo &a, const ProjectEnvFileInfo &b) {
                         return collator.compare(sortKey(a.fileName), sortKey(b.fileName)) < 0;
                     });
    return files;
}

QString primaryFileName(const QStringList &fileNames)
{
    for (const KnownFile &known : kKnownFiles) {
        if (fileNames.contains(known.name))
            return known.name.toString();
    }
    return fileNames.constFirst();
}

} // namespace

QString profileName(const QString &fileName)
{
    QString name = fileName;
    name.remove(u".env."_s);
    name.replace(u".env"_s, u"default"_s);
    name.remove(u".local"_s);
    return name;
}

QString sortKey(const QString &fileName)
{
    for (const KnownFile &known : kKnownFiles) {
        if (fileName == known.name)
            return known.sortKey.toString();
    }
    return u"99-"_s + fileName;
}

std::optional<ProjectEnvDetail> readDetail(const QString &folderPath)
{
    // A blank path would list the application's own working folder.
    if (Text::isBlank(folderPath))
        return std::nullopt;
    QList<ProjectEnvFileInfo> files = envFileInfos(folderPath);
    if (files.isEmpty())
        return std::nullopt;
    QStringList names;
    for (const ProjectEnvFileInfo &file : files)
        names.append(file.fileName);
    const QString primary = primaryFileName(names);
    return ProjectEnvDetail{profileName(primary), primary, std::move(files)};
}

QCoro::Task<std::optional<ProjectEnvDetail>> detail(DevProject project)
{
    co_return co_await runBackgroundRead(&readDetail, project.folderPath);
}

} // namespace EnvProfileService

} // namespace devnook
