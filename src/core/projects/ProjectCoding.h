#pragma once

#include "DevProject.h"
#include "ProjectPersisting.h"
#include "core/foundation/Result.h"

#include <QJsonArray>
#include <QJsonObject>

namespace devnook::ProjectCoding {

// Decodes a project object of the catalogue; the first missing required key,
// wrong type or unknown link kind, also in a nested record, fails the project.
Result<DevProject> decodeProject(const QJsonObject &object);
Result<ProjectService> decodeService(const QJsonObject &object);
Result<ProjectLink> decodeLink(const QJsonObject &object);
Result<ProjectPreviewLinkedURL> decodePreviewLinkedURL(const QJsonObject &object);

// Encodes a project with every key and its unknown members; "lastUsedAt"
// only when set, never the legacy "openBrowserAfterStartWorkspace".
QJsonObject encodeProject(const DevProject &project);
QJsonObject encodeService(const ProjectService &service);
QJsonObject encodeLink(const ProjectLink &link);
QJsonObject encodePreviewLinkedURL(const ProjectPreviewLinkedURL &url);

// A whole catalogue: an array of project objects. Every project that decodes
// is kept, also from a file cut short; fills the projects and what could not
// be read. Fails when the text is no array at all.
Result<LoadedCatalogue> decodeCatalogue(const QByteArray &json);
QByteArray encodeCatalogue(const QList<DevProject> &projects);

} // namespace devnook::ProjectCoding
