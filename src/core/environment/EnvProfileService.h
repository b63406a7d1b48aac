#pragma once

#include "core/foundation/Timestamp.h"
#include "core/projects/DevProject.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace devnook {

// One .env file of a project folder.
struct ProjectEnvFileInfo {
    QString id; // the file name, unique within the folder
    QString fileName;
    QString profileName;
    std::optional<Timestamp> modifiedAt;
    qint64 sizeInBytes = 0;

    bool operator==(const ProjectEnvFileInfo &) const = default;
};

// Every .env file found in one project folder.
struct ProjectEnvDetail {
    QString displayName;
    QString primaryFileName;
    QList<ProjectEnvFileInfo> files; // in display order, never empty

    bool operator==(const ProjectEnvDetail &) const = default;
};

// The compact form shown on a project row.
struct ProjectEnvProfile {
    QString displayName;
    QStringList fileNames;

    // The detail's display name and the names of its files, in its order.
    static ProjectEnvProfile fromDetail(const ProjectEnvDetail &detail);

    bool operator==(const ProjectEnvProfile &) const = default;
};

// Finds a project folder's .env files from the directory listing alone; no
// file is ever opened, so no secret passes through here.
namespace EnvProfileService {

// The folder's .env files, read on a background thread; nothing when the
// folder path is blank, the folder cannot be listed or holds no .env file.
QCoro::Task<std::optional<ProjectEnvDetail>> detail(DevProject project);

// The same reading, done on the calling thread.
std::optional<ProjectEnvDetail> readDetail(const QString &folderPath);

// ".env" gives "default", ".env.local" "local", ".env.development.local"
// "development": ".env." removed, ".env" made "default", ".local" removed.
QString profileName(const QString &fileName);

// The key files are ordered by: the usual environments first, in their usual
// order, then every other file by name.
QString sortKey(const QString &fileName);

} // namespace EnvProfileService

} // namespace devnook
