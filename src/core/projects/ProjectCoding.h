#pragma once

#include "DevProject.h"
#include "ProjectPersisting.h"
#include "core/foundation/Result.h"

#include <QJsonArray>
#include <QJsonObject>

namespace devnook::ProjectCoding {

// Decodes a project object of the catalogue; the first missing required key
// or wrong type, also in a nested record, fails the project. A link whose
// kind this version does not know, and which reads in all else, is kept as
// stored in linksKeptAsStored.
Result<DevProject> decodeProject(const QJsonObject &object);
Result<ProjectService> decodeService(const QJsonObject &object);
// Fails also on a kind this version does not know.
Result<ProjectLink> decodeLink(const QJsonObject &object);
Result<ProjectPreviewLinkedURL> decodePreviewLinkedURL(const QJsonObject &object);

// Encodes a project with every key, its unknown members and the links kept
// as stored; "lastUsedAt" only when set, never the legacy
// "openBrowserAfterStartWorkspace".
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
