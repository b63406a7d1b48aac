#include "ProjectCoding.h"

#include "core/foundation/JsonObjectReader.h"
#include "core/foundation/UuidText.h"

#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace devnook::ProjectCoding {

namespace {

// Decodes every object of an array with the given decoder; the first failure
// is recorded on the reader of the enclosing object.
template <typename Record, typename Decoder>
QList<Record> decodeList(JsonObjectReader &reader, const QString &key, Decoder decode)
{
    QList<Record> records;
    const QJsonArray array = reader.array(key);
    for (qsizetype i = 0; i < array.size() && reader.ok(); ++i) {
        if (!array[i].isObject()) {
            reader.fail(u"\"%1\"[%2] is not an object"_s.arg(key).arg(i));
            break;
        }
        auto decoded = decode(array[i].toObject());
        if (!decoded) {
            reader.fail(u"\"%1\"[%2]: %3"_s.arg(key, QString::number(i), decoded.error()));
            break;
        }
        records.append(std::move(decoded).value());
    }
    return records;
}

template <typename Record, typename Encoder>
QJsonArray encodeList(const QList<Record> &records, Encoder encode)
{
    QJsonArray array;
    for (const Record &record : records)
        array.append(encode(record));
    return array;
}

template <typename Record> Result<Record> finish(const JsonObjectReader &reader, Record record)
{
    if (!reader.ok())
        return Result<Record>::failure(reader.error());
    return Result<Record>::success(std::move(record));
}

} // namespace

Result<ProjectService> decodeService(const QJsonObject &object)
{
    JsonObjectReader reader(object);
    ProjectService service;
    service.id = reader.requiredUuid(u"id"_s);
    service.name = reader.requiredString(u"name"_s);
    service.command = reader.requiredString(u"command"_s);
    service.localhostURL = reader.requiredString(u"localhostURL"_s);
    return finish(reader, std::move(service));
}

Result<ProjectLink> decodeLink(const QJsonObject &object)
{
    JsonObjectReader reader(object);
    ProjectLink link;
    link.id = reader.optionalUuid(u"id"_s).value_or(QUuid::createUuid());
    if (const auto kindText = reader.optionalString(u"kind"_s)) {
        link.kind = WorkspaceLinkKinds::fromRawValue(*kindText);
        if (!link.kind)
            reader.fail(u"unknown link kind \"%1\""_s.arg(*kindText));
    }
    link.title = reader.string(u"title"_s, QString());
    link.url = reader.requiredString(u"url"_s);
    link.openWithWorkspace = reader.boolean(u"openWithWorkspace"_s, false);
    return finish(reader, std::move(link));
}

Result<ProjectPreviewLinkedURL> decodePreviewLinkedURL(const QJsonObject &object)
{
    JsonObjectReader reader(object);
    ProjectPreviewLinkedURL url;
    url.id = reader.requiredUuid(u"id"_s);
    url.name = reader.requiredString(u"name"_s);
    url.url = reader.requiredString(u"url"_s);
    return finish(reader, std::move(url));
}

Result<DevProject> decodeProject(const QJsonObject &object)
{
    JsonObjectReader reader(object);
    DevProject project;
    project.id = reader.requiredUuid(u"id"_s);
    project.name = reader.requiredString(u"name"_s);
    project.client = reader.string(u"client"_s, QString());
    project.clientColorHex = reader.string(u"clientColorHex"_s, QString());
    project.stack = reader.string(u"stack"_s, QString());
    project.folderPath = reader.requiredString(u"folderPath"_s);
    project.localhostURL = reader.requiredString(u"localhostURL"_s);
    project.devCommand = reader.requiredString(u"devCommand"_s);
    project.services = decodeList<ProjectService>(reader, u"services"_s, decodeService);
    project.editorCommand = reader.requiredString(u"editorCommand"_s);
    const auto openLocalURL = reader.optionalBool(u"openLocalURLAfterStart"_s);
    project.openLocalURLAfterStart =
        openLocalURL ? *openLocalURL : reader.boolean(u"openBrowserAfterStartWorkspace"_s, true);
    project.workspaceLinks = decodeList<ProjectLink>(reader, u"workspaceLinks"_s, decodeLink);
    project.previewLinkedURLs =
        decodeList<ProjectPreviewLinkedURL>(reader, u"previewLinkedURLs"_s, decodePreviewLinkedURL);
    project.notes = reader.string(u"notes"_s, QString());
    project.isPinned = reader.boolean(u"isPinned"_s, false);
    project.isArchived = reader.boolean(u"isArchived"_s, false);
    project.lastUsedAt = reader.optionalTimestamp(u"lastUsedAt"_s);
    return finish(reader, std::move(project));
}

QJsonObject encodeService(const ProjectService &service)
{
    return {
        {u"id"_s, UuidText::format(service.id)},
        {u"name"_s, service.name},
        {u"command"_s, service.command},
        {u"localhostURL"_s, service.localhostURL},
    };
}

QJsonObject encodeLink(const ProjectLink &link)
{
    QJsonObject object{
        {u"id"_s, UuidText::format(link.id)},
        {u"title"_s, link.title},
        {u"url"_s, link.url},
        {u"openWithWorkspace"_s, link.openWithWorkspace},
    };
    if (link.kind)
        object.insert(u"kind"_s, WorkspaceLinkKinds::rawValue(*link.kind));
    return object;
}

QJsonObject encodePreviewLinkedURL(const ProjectPreviewLinkedURL &url)
{
    return {
        {u"id"_s, UuidText::format(url.id)},
        {u"name"_s, url.name},
        {u"url"_s, url.url},
    };
}

QJsonObject encodeProject(const DevProject &project)
{
    QJsonObject object{
        {u"id"_s, UuidText::format(project.id)},
        {u"name"_s, project.name},
        {u"client"_s, project.client},
        {u"clientColorHex"_s, project.clientColorHex},
        {u"stack"_s, project.stack},
        {u"folderPath"_s, project.folderPath},
        {u"localhostURL"_s, project.localhostURL},
        {u"devCommand"_s, project.devCommand},
        {u"services"_s, encodeList(project.services, encodeService)},
        {u"editorCommand"_s, project.editorCommand},
        {u"openLocalURLAfterStart"_s, project.openLocalURLAfterStart},
        {u"workspaceLinks"_s, encodeList(project.workspaceLinks, encodeLink)},
        {u"previewLinkedURLs"_s, encodeList(project.previewLinkedURLs, encodePreviewLinkedURL)},
        {u"notes"_s, project.notes},
        {u"isPinned"_s, project.isPinned},
        {u"isArchived"_s, project.isArchived},
    };
    if (project.lastUsedAt)
        object.insert(u"lastUsedAt"_s, project.lastUsedAt->secondsSinceReference());
    return object;
}

Result<QList<DevProject>> decodeCatalogue(const QByteArray &json)
{
    using ProjectsResult = Result<QList<DevProject>>;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return ProjectsResult::failure(u"not valid JSON at offset %1: %2"_s.arg(
            QString::number(parseError.offset), parseError.errorString()));
    if (!document.isArray())
        return ProjectsResult::failure(u"the top level is not an array"_s);
    const QJsonArray array = document.array();
    QList<DevProject> projects;
    projects.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array[i].isObject())
            return ProjectsResult::failure(u"project %1 is not an object"_s.arg(i));
        auto project = decodeProject(array[i].toObject());
        if (!project)
            return ProjectsResult::failure(u"project %1: %2"_s.arg(QString::number(i), project.error()));
        projects.append(std::move(project).value());
    }
    return ProjectsResult::success(std::move(projects));
}

QByteArray encodeCatalogue(const QList<DevProject> &projects)
{
    QJsonArray array;
    for (const DevProject &project : projects)
        array.append(encodeProject(project));
    QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Indented);
    // A slash can only occur inside a JSON string, so this writes every slash
    // of a text escaped, as earlier catalogues did.
    bytes.replace("/", "\\/");
    return bytes;
}

} // namespace devnook::ProjectCoding
