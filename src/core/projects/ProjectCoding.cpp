#include "ProjectCoding.h"

#include "JsonArraySalvage.h"
#include "core/foundation/JsonObjectReader.h"
#include "core/foundation/UuidText.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook::ProjectCoding {

namespace {

// Decodes every object of an array with the given decoder; the first failure
// is recorded on the reader of the enclosing object. An object that keep
// takes (with its index) is left out of the records without failing.
template <typename Record, typename Decoder, typename Keeper>
QList<Record> decodeList(JsonObjectReader &reader, const QString &key, Decoder decode, Keeper keep)
{
    QList<Record> records;
    const QJsonArray array = reader.array(key);
    for (qsizetype i = 0; i < array.size() && reader.ok(); ++i) {
        if (!array[i].isObject()) {
            reader.fail(u"\"%1\"[%2] is not an object"_s.arg(key).arg(i));
            break;
        }
        if (keep(i, array[i].toObject()))
            continue;
        auto decoded = decode(array[i].toObject());
        if (!decoded) {
            reader.fail(u"\"%1\"[%2]: %3"_s.arg(key, QString::number(i), decoded.error()));
            break;
        }
        records.append(std::move(decoded).value());
    }
    return records;
}

template <typename Record, typename Decoder>
QList<Record> decodeList(JsonObjectReader &reader, const QString &key, Decoder decode)
{
    return decodeList<Record>(reader, key, decode, [](qsizetype, const QJsonObject &) { return false; });
}

// A link whose kind is a text this version does not know, and which reads
// in every other respect.
bool isOfUnknownKind(const QJsonObject &link)
{
    const QJsonValue kind = link.value(u"kind"_s);
    if (!kind.isString() || WorkspaceLinkKinds::fromRawValue(kind.toString()))
        return false;
    QJsonObject rest = link;
    rest.remove(u"kind"_s);
    return decodeLink(rest).isOk();
}

template <typename Record, typename Encoder>
QJsonArray encodeList(const QList<Record> &records, Encoder encode)
{
    QJsonArray array;
    for (const Record &record : records)
        array.append(encode(record));
    return array;
}

// The members whose keys the record's decoder does not read, once it has
// read all it knows.
QJsonObject unknownMembers(const JsonObjectReader &reader, const QJsonObject &object,
                           std::initializer_list<QStringView> known)
{
    // The usual case, spared from copying every key.
    if (reader.readEveryMember())
        return {};
    QJsonObject unknown;
    for (auto member = object.constBegin(); member != object.constEnd(); ++member) {
        if (std::find(known.begin(), known.end(), member.key()) == known.end())
            unknown.insert(member.key(), member.value());
    }
    return unknown;
}

// The record's own members, then the unknown ones it was read with.
QJsonObject withUnknownMembers(QJsonObject object, const QJsonObject &unknown)
{
    for (auto member = unknown.constBegin(); member != unknown.constEnd(); ++member) {
        if (!object.contains(member.key()))
            object.insert(member.key(), member.value());
    }
    return object;
}

template <typename Record> Result<Record> finish(const JsonObjectReader &reader, Record record)
{
    if (!reader.ok())
        return Result<Record>::failure(reader.error());
    return Result<Record>::success(std::move(record));
}

void addUnreadable(LoadedCatalogue &content, const QString &error)
{
    if (content.unreadableCount++ == 0)
        content.firstUnreadableError = error;
}

void addProject(LoadedCatalogue &content, qsizetype index, const QJsonObject &object)
{
    auto project = decodeProject(object);
    if (project)
        content.projects.append(std::move(project).value());
    else
        addUnreadable(content, u"project %1: %2"_s.arg(QString::number(index), project.error()));
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
    service.unknownMembers = unknownMembers(reader, object, {u"id", u"name", u"command", u"localhostURL"});
    return finish(reader, std::move(service));
}

Result<ProjectLink> decodeLink(const QJsonObject &object)
{
    JsonObjectReader reader(object);
    ProjectLink link;
    // A fresh id only for a link stored without one: making one costs a
    // system call per link when the catalogue loads.
    const std::optional<QUuid> id = reader.optionalUuid(u"id"_s);
    link.id = id ? *id : QUuid::createUuid();
    if (const auto kindText = reader.optionalString(u"kind"_s)) {
        link.kind = WorkspaceLinkKinds::fromRawValue(*kindText);
        if (!link.kind)
            reader.fail(u"unknown link kind \"%1\""_s.arg(*kindText));
    }
    link.title = reader.string(u"title"_s, QString());
    link.url = reader.requiredString(u"url"_s);
    link.openWithWorkspace = reader.boolean(u"openWithWorkspace"_s, false);
    link.unknownMembers =
        unknownMembers(reader, object, {u"id", u"kind", u"title", u"url", u"openWithWorkspace"});
    return finish(reader, std::move(link));
}

Result<ProjectPreviewLinkedURL> decodePreviewLinkedURL(const QJsonObject &object)
{
    JsonObjectReader reader(object);
    ProjectPreviewLinkedURL url;
    url.id = reader.requiredUuid(u"id"_s);
    url.name = reader.requiredString(u"name"_s);
    url.url = reader.requiredString(u"url"_s);
    url.unknownMembers = unknownMembers(reader, object, {u"id", u"name", u"url"});
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
    project.workspaceLinks = decodeList<ProjectLink>(
        reader, u"workspaceLinks"_s, decodeLink, [&project](qsizetype index, const QJsonObject &link) {
            if (!isOfUnknownKind(link))
                return false;
            project.linksKeptAsStored.append(LinkKeptAsStored{index, link});
            return true;
        });
    project.previewLinkedURLs =
        decodeList<ProjectPreviewLinkedURL>(reader, u"previewLinkedURLs"_s, decodePreviewLinkedURL);
    project.notes = reader.string(u"notes"_s, QString());
    project.isPinned = reader.boolean(u"isPinned"_s, false);
    project.isArchived = reader.boolean(u"isArchived"_s, false);
    project.lastUsedAt = reader.optionalTimestamp(u"lastUsedAt"_s);
    project.unknownMembers =
        unknownMembers(reader, object,
                       {u"id", u"name", u"client", u"clientColorHex", u"stack", u"folderPath",
                        u"localhostURL", u"devCommand", u"services", u"editorCommand",
                        u"openLocalURLAfterStart", u"openBrowserAfterStartWorkspace", u"workspaceLinks",
                        u"previewLinkedURLs", u"notes", u"isPinned", u"isArchived", u"lastUsedAt"});
    return finish(reader, std::move(project));
}

QJsonObject encodeService(const ProjectService &service)
{
    return withUnknownMembers(
        {
            {u"id"_s, UuidText::format(service.id)},
            {u"name"_s, service.name},
            {u"command"_s, service.command},
            {u"localhostURL"_s, service.localhostURL},
        },
        service.unknownMembers);
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
    return withUnknownMembers(std::move(object), link.unknownMembers);
}

QJsonObject encodePreviewLinkedURL(const ProjectPreviewLinkedURL &url)
{
    return withUnknownMembers(
        {
            {u"id"_s, UuidText::format(url.id)},
            {u"name"_s, url.name},
            {u"url"_s, url.url},
        },
        url.unknownMembers);
}

namespace {

// The project's links with those kept as stored back at their places.
QJsonArray encodeLinks(const DevProject &project)
{
    QJsonArray links = encodeList(project.workspaceLinks, encodeLink);
    for (const LinkKeptAsStored &kept : project.linksKeptAsStored)
        links.insert(std::min(kept.position, links.size()), kept.object);
    return links;
}

} // namespace

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
        {u"workspaceLinks"_s, encodeLinks(project)},
        {u"previewLinkedURLs"_s, encodeList(project.previewLinkedURLs, encodePreviewLinkedURL)},
        {u"notes"_s, project.notes},
        {u"isPinned"_s, project.isPinned},
        {u"isArchived"_s, project.isArchived},
    };
    if (project.lastUsedAt)
        object.insert(u"lastUsedAt"_s, project.lastUsedAt->secondsSinceReference());
    return withUnknownMembers(std::move(object), project.unknownMembers);
}

Result<LoadedCatalogue> decodeCatalogue(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    LoadedCatalogue content;
    if (parseError.error == QJsonParseError::NoError) {
        if (!document.isArray())
            return Result<LoadedCatalogue>::failure(u"the top level is not an array"_s);
        const QJsonArray array = document.array();
        content.projects.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (array[i].isObject())
                addProject(content, i, array[i].toObject());
            else
                addUnreadable(content, u"project %1 is not an object"_s.arg(i));
        }
        return Result<LoadedCatalogue>::success(std::move(content));
    }
    const QString parseFailure = u"not valid JSON at offset %1: %2"_s.arg(QString::number(parseError.offset),
                                                                          parseError.errorString());
    // Not JSON as a whole: every complete project before the damage is still
    // the user's.
    const auto pieces = JsonArraySalvage::split(json);
    if (!pieces)
        return Result<LoadedCatalogue>::failure(parseFailure);
    for (qsizetype i = 0; i < pieces->elements.size(); ++i) {
        const QJsonDocument project = QJsonDocument::fromJson(pieces->elements[i].toByteArray());
        if (project.isObject())
            addProject(content, i, project.object());
        else
            addUnreadable(content, u"project %1 is not a whole JSON object"_s.arg(i));
    }
    if (pieces->hasRemainder)
        addUnreadable(content, parseFailure);
    return Result<LoadedCatalogue>::success(std::move(content));
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
