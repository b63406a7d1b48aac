#include "ProjectCoding.h"

#include "JsonArraySalvage.h"
#include "StoredJsonTexts.h"
#include "core/foundation/JsonObjectReader.h"
#include "core/foundation/L10n.h"
#include "core/foundation/UuidText.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>
#include <array>

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
            reader.fail(L10n::format(u"catalogue_item_not_object"_s, {key, QString::number(i)}));
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
// read all it knows. Their texts are those the reader makes of their values
// until the catalogue gives them the texts they were stored as.
QList<StoredJsonMember> unknownMembers(const JsonObjectReader &reader, const QJsonObject &object,
                                       std::initializer_list<QStringView> known)
{
    // The usual case, spared from copying every key.
    if (reader.readEveryMember())
        return {};
    QList<StoredJsonMember> unknown;
    for (auto member = object.constBegin(); member != object.constEnd(); ++member) {
        if (std::find(known.begin(), known.end(), member.key()) == known.end())
            unknown.append(StoredJsonMember{member.key(), StoredJsonTexts::textOf(member.value())});
    }
    return unknown;
}

// A stored text in the document: a marker for its bytes when the catalogue
// is written, else the value it holds.
QJsonValue storedValue(const QByteArray &text, StoredTextMarkers *markers)
{
    return markers ? markers->marker(text) : StoredJsonTexts::valueOf(text);
}

// The record's own members, then the unknown ones it was read with.
QJsonObject withUnknownMembers(QJsonObject object, const QList<StoredJsonMember> &unknown,
                               StoredTextMarkers *markers)
{
    for (const StoredJsonMember &member : unknown) {
        if (!object.contains(member.key))
            object.insert(member.key, storedValue(member.value, markers));
    }
    return object;
}

template <typename Record> Result<Record> finish(const JsonObjectReader &reader, Record record)
{
    if (!reader.ok())
        return Result<Record>::failure(reader.error());
    return Result<Record>::success(std::move(record));
}

// Adds the project of the object, or why it cannot be read; storedText
// gives the object's text as stored, asked for only when the project holds
// members this version does not read. Returns whether it was added.
template <typename StoredText>
bool addProject(LoadedCatalogue &content, qsizetype index, const QJsonObject &object, StoredText storedText)
{
    auto decoded = decodeProject(object);
    if (!decoded) {
        content.unreadable.add(
            L10n::format(u"catalogue_project_reason"_s, {QString::number(index + 1), decoded.error()}));
        return false;
    }
    DevProject project = std::move(decoded).value();
    if (StoredJsonTexts::holdsUnknowns(project))
        StoredJsonTexts::keep(project, storedText());
    content.projects.append(std::move(project));
    return true;
}

// Keys that every project has, and none of the records it holds.
constexpr std::array<QByteArrayView, 3> kProjectKeys{"folderPath", "devCommand", "editorCommand"};

// How deep the JSON reader reads.
constexpr int kReaderNestingLimit = 1024;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether the text is a number as JSON writes one.
bool isJsonNumber(QByteArrayView text)
{
    qsizetype at = 0;
    const auto digits = [&] {
        const qsizetype from = at;
        while (at < text.size() && isDigit(text[at]))
            ++at;
        return at > from;
    };
    if (at < text.size() && text[at] == '-')
        ++at;
    if (!digits())
        return false;
    if (at < text.size() && text[at] == '.' && (++at, !digits()))
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        if (!digits())
            return false;
    }
    return at == text.size();
}

// The number that ends where the reader stopped.
QByteArrayView numberBefore(QByteArrayView text, qsizetype end)
{
    end = std::min(end, text.size());
    qsizetype start = end;
    while (start > 0 && (isDigit(text[start - 1]) || QByteArrayView("+-.eE").contains(text[start - 1])))
        --start;
    return text.sliced(start, end - start);
}

// The localisation key of each kind of error of the JSON reader.
QString parseErrorKey(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return u"json_parse_unterminated_object"_s;
    case QJsonParseError::MissingNameSeparator:
        return u"json_parse_missing_name_separator"_s;
    case QJsonParseError::UnterminatedArray:
        return u"json_parse_unterminated_array"_s;
    case QJsonParseError::MissingValueSeparator:
        return u"json_parse_missing_value_separator"_s;
    case QJsonParseError::IllegalValue:
        return u"json_parse_illegal_value"_s;
    case QJsonParseError::TerminationByNumber:
        return u"json_parse_termination_by_number"_s;
    case QJsonParseError::IllegalNumber:
        return u"json_parse_illegal_number"_s;
    case QJsonParseError::IllegalEscapeSequence:
        return u"json_parse_invalid_escape"_s;
    case QJsonParseError::IllegalUTF8String:
        return u"json_parse_invalid_utf8"_s;
    case QJsonParseError::UnterminatedString:
        return u"json_parse_unterminated_string"_s;
    case QJsonParseError::MissingObject:
        return u"json_parse_missing_object"_s;
    case QJsonParseError::DeepNesting:
        return u"json_parse_deep_nesting"_s;
    case QJsonParseError::DocumentTooLarge:
        return u"json_parse_too_large"_s;
    case QJsonParseError::GarbageAtEnd:
        return u"json_parse_garbage_at_end"_s;
    case QJsonParseError::NoError:
        break;
    }
    return {};
}

// The JSON reader's reason in the user's language.
QString parseErrorText(const QJsonParseError &error)
{
    const QString key = parseErrorKey(error.error);
    // A kind that a later Qt adds is told in Qt's words.
    return key.isEmpty() ? error.errorString() : L10n::text(key);
}

// Why a piece of a damaged catalogue holds no project, as the user should
// read it; offsets count from the start of the file.
QString pieceProblem(QByteArrayView json, QByteArrayView piece, qsizetype index, const QJsonParseError &error)
{
    const QString project = QString::number(index + 1);
    const qsizetype pieceOffset = piece.data() - json.data();
    if (const qsizetype nul = piece.indexOf('\0'); nul >= 0)
        return L10n::format(u"catalogue_project_nul_bytes"_s, {project, QString::number(pieceOffset + nul)});
    switch (error.error) {
    case QJsonParseError::NoError:
        return L10n::format(u"catalogue_project_not_object"_s, {project});
    case QJsonParseError::DeepNesting:
        return L10n::format(u"catalogue_project_nested_too_deeply"_s,
                            {project, QString::number(kReaderNestingLimit)});
    case QJsonParseError::IllegalNumber:
        if (const QByteArrayView number = numberBefore(piece, error.offset); isJsonNumber(number))
            return L10n::format(u"catalogue_project_number_out_of_range"_s,
                                {project, QString::fromLatin1(number)});
        break;
    default:
        break;
    }
    return L10n::format(u"catalogue_project_not_whole"_s,
                        {project, parseErrorText(error), QString::number(pieceOffset + error.offset)});
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
            reader.fail(L10n::format(u"catalogue_link_kind_unknown"_s, {*kindText}));
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
            project.linksKeptAsStored.append(LinkKeptAsStored{index, StoredJsonTexts::textOf(link)});
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

namespace {

QJsonObject encodeService(const ProjectService &service, StoredTextMarkers *markers)
{
    return withUnknownMembers(
        {
            {u"id"_s, UuidText::format(service.id)},
            {u"name"_s, service.name},
            {u"command"_s, service.command},
            {u"localhostURL"_s, service.localhostURL},
        },
        service.unknownMembers, markers);
}

QJsonObject encodeLink(const ProjectLink &link, StoredTextMarkers *markers)
{
    QJsonObject object{
        {u"id"_s, UuidText::format(link.id)},
        {u"title"_s, link.title},
        {u"url"_s, link.url},
        {u"openWithWorkspace"_s, link.openWithWorkspace},
    };
    if (link.kind)
        object.insert(u"kind"_s, WorkspaceLinkKinds::rawValue(*link.kind));
    return withUnknownMembers(std::move(object), link.unknownMembers, markers);
}

QJsonObject encodePreviewLinkedURL(const ProjectPreviewLinkedURL &url, StoredTextMarkers *markers)
{
    return withUnknownMembers(
        {
            {u"id"_s, UuidText::format(url.id)},
            {u"name"_s, url.name},
            {u"url"_s, url.url},
        },
        url.unknownMembers, markers);
}

// The project's links with those kept as stored back at their places.
QJsonArray encodeLinks(const DevProject &project, StoredTextMarkers *markers)
{
    QJsonArray links = encodeList(project.workspaceLinks,
                                  [markers](const ProjectLink &link) { return encodeLink(link, markers); });
    for (const LinkKeptAsStored &kept : project.linksKeptAsStored)
        links.insert(std::min(kept.position, links.size()), storedValue(kept.json, markers));
    return links;
}

QJsonObject encodeProject(const DevProject &project, StoredTextMarkers *markers)
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
        {u"services"_s,
         encodeList(project.services,
                    [markers](const ProjectService &service) { return encodeService(service, markers); })},
        {u"editorCommand"_s, project.editorCommand},
        {u"openLocalURLAfterStart"_s, project.openLocalURLAfterStart},
        {u"workspaceLinks"_s, encodeLinks(project, markers)},
        {u"previewLinkedURLs"_s, encodeList(project.previewLinkedURLs,
                                            [markers](const ProjectPreviewLinkedURL &url) {
                                                return encodePreviewLinkedURL(url, markers);
                                            })},
        {u"notes"_s, project.notes},
        {u"isPinned"_s, project.isPinned},
        {u"isArchived"_s, project.isArchived},
    };
    if (project.lastUsedAt)
        object.insert(u"lastUsedAt"_s, project.lastUsedAt->secondsSinceReference());
    return withUnknownMembers(std::move(object), project.unknownMembers, markers);
}

} // namespace

QJsonObject encodeLink(const ProjectLink &link)
{
    return encodeLink(link, nullptr);
}

QJsonObject encodeProject(const DevProject &project)
{
    return encodeProject(project, nullptr);
}

Result<LoadedCatalogue> decodeCatalogue(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    LoadedCatalogue content;
    if (parseError.error == QJsonParseError::NoError) {
        if (!document.isArray())
            return Result<LoadedCatalogue>::failure(L10n::text(u"json_top_level_not_array"_s));
        const QJsonArray array = document.array();
        content.projects.reserve(array.size());
        // The projects' texts are found only for a project that needs its own.
        std::optional<QList<QByteArrayView>> texts;
        const auto storedText = [&](qsizetype index) {
            if (!texts)
                texts = JsonArraySalvage::split(json).value_or(JsonArraySalvage::Pieces()).elements;
            return texts->value(index);
        };
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (array[i].isObject())
                addProject(content, i, array[i].toObject(), [&storedText, i] { return storedText(i); });
            else
                content.unreadable.add(
                    L10n::format(u"catalogue_project_not_object"_s, {QString::number(i + 1)}));
        }
        return Result<LoadedCatalogue>::success(std::move(content));
    }
    const QString parseFailure =
        L10n::format(u"json_not_valid"_s, {QString::number(parseError.offset), parseErrorText(parseError)});
    // Not JSON as a whole: every complete project before the damage is still
    // the user's.
    const auto pieces = JsonArraySalvage::split(json, [](QByteArrayView piece) {
        QJsonParseError pieceError;
        QJsonDocument::fromJson(piece.toByteArray(), &pieceError);
        return pieceError.error == QJsonParseError::NoError;
    });
    if (!pieces)
        return Result<LoadedCatalogue>::failure(parseFailure);
    // Projects are numbered as the user counts them in the file: a piece
    // that is not a whole object may hold several.
    qsizetype index = 0;
    bool readWithoutComma = false;
    for (qsizetype i = 0; i < pieces->elements.size(); ++i) {
        const QByteArrayView piece = pieces->elements[i];
        QJsonParseError pieceError;
        const QJsonDocument project = QJsonDocument::fromJson(piece.toByteArray(), &pieceError);
        bool read = false;
        if (project.isObject()) {
            read = addProject(content, index, project.object(), [piece] { return piece; });
            if (read && readWithoutComma)
                content.unreadable.addMended(
                    L10n::format(u"catalogue_projects_comma_missing"_s,
                                 {QString::number(index), QString::number(index + 1)}));
            ++index;
        } else {
            const int projects = JsonArraySalvage::recordsWithin(piece, kProjectKeys);
            content.unreadable.add(pieceProblem(json, piece, index, pieceError), projects);
            index += projects;
        }
        readWithoutComma = read && pieces->unseparated.contains(i);
    }
    if (pieces->hasRemainder)
        content.unreadable.add(parseFailure,
                               JsonArraySalvage::recordsWithin(pieces->remainder, kProjectKeys));
    return Result<LoadedCatalogue>::success(std::move(content));
}

QByteArray encodeCatalogue(const QList<DevProject> &projects)
{
    StoredTextMarkers markers;
    QJsonArray array;
    for (const DevProject &project : projects)
        array.append(encodeProject(project, &markers));
    QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Indented);
    // A slash can only occur inside a JSON string, so this writes every slash
    // of a text escaped, as earlier catalogues did. The stored texts go in
    // after, exactly as they were.
    bytes.replace("/", "\\/");
    return markers.fill(std::move(bytes));
}

} // namespace devnook::ProjectCoding
