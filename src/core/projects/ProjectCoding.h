#pragma once

#include "DevProject.h"
#include "ProjectPersisting.h"
#include "core/foundation/Result.h"

#include <QJsonArray>
#include <QJsonObject>

namespace devnook::ProjectCoding {

// Decodes a project object of the catalogue; the first missing required key
// or wrong type, also in a nested record, fails the project. A link whose
// kind this version does not know, and which reads in all else, is kept in
// linksKeptAsStored. Unknown members and kept links hold the JSON text of
// their values as the reader has them; decodeCatalogue gives them the texts
// they were stored as.
Result<DevProject> decodeProject(const QJsonObject &object);
Result<ProjectService> decodeService(const QJsonObject &object);
// Fails also on a kind this version does not know.
Result<ProjectLink> decodeLink(const QJsonObject &object);
Result<ProjectPreviewLinkedURL> decodePreviewLinkedURL(const QJsonObject &object);

// Encodes a project with every key, its unknown members and the links kept
// as stored; "lastUsedAt" only when set, never the legacy
// "openBrowserAfterStartWorkspace".
QJsonObject encodeProject(const DevProject &project);
QJsonObject encodeLink(const ProjectLink &link);

// A whole catalogue: an array of project objects. Every project that decodes
// is kept, also from a file cut short or broken in the middle; fills the
// projects and what could not be read, and why, for the user. Fails when the
// text is no array at all.
Result<LoadedCatalogue> decodeCatalogue(const QByteArray &json);
// The catalogue's text; the unknown members' values and the links kept as
// stored are written exactly as their texts are.
QByteArray encodeCatalogue(const QList<DevProject> &projects);

} // namespace devnook::ProjectCoding
