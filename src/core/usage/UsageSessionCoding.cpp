#include "UsageSessionCoding.h"

#include "JsonScanner.h"
#include "UsageLimits.h"
#include "core/foundation/L10n.h"
#include "core/projects/JsonArraySalvage.h"

#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace devnook::UsageSessionCoding {

namespace {

enum Field {
    kId,
    kProjectID,
    kProjectName,
    kClient,
    kStack,
    kSource,
    kStartedAt,
    kEndedAt,
    kPausedDuration,
    kFieldCount
};

// Declaration order, which is also the order problems are reported in.
constexpr std::array<QByteArrayView, kFieldCount> kKeys{
    "id", "projectID", "projectName", "client", "stack", "source", "startedAt", "endedAt", "pausedDuration"};

bool isNumberField(int field)
{
    return field >= kStartedAt;
}

int fieldOf(QByteArrayView key)
{
    for (int field = 0; field < kFieldCount; ++field) {
        if (key == kKeys[field])
            return field;
    }
    return -1;
}

// The value of each byte as a hexadecimal digit, or -1.
constexpr std::array<qint8, 256> kHexValues = [] {
    std::array<qint8, 256> values{};
    values.fill(-1);
    for (int c = 0; c < 10; ++c)
        values['0' + c] = static_cast<qint8>(c);
    for (int c = 0; c < 6; ++c) {
        values['a' + c] = static_cast<qint8>(10 + c);
        values['A' + c] = static_cast<qint8>(10 + c);
    }
    return values;
}();

// The canonical 36-character form in either case, straight from the bytes;
// the same texts as UuidText::parse accepts.
std::optional<QUuid> parseUuid(QByteArrayView text)
{
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    const auto digits = [&](qsizetype from, qsizetype to, quint64 &value) {
        int invalid = 0;
        for (qsizetype i = from; i < to; ++i) {
            const int digit = kHexValues[static_cast<unsigned char>(text[i])];
            invalid |= digit;
            value = value << 4 | static_cast<quint64>(digit & 0xF);
        }
        return invalid >= 0;
    };
    quint64 high = 0;
    quint64 low = 0;
    if (!digits(0, 8, high) || !digits(9, 13, high) || !digits(14, 18, high) || !digits(19, 23, low) ||
        !digits(24, 36, low))
        return std::nullopt;
    return QUuid(static_cast<uint>(high >> 32), static_cast<ushort>(high >> 16), static_cast<ushort>(high),
                 static_cast<uchar>(low >> 56), static_cast<uchar>(low >> 48), static_cast<uchar>(low >> 40),
                 static_cast<uchar>(low >> 32), static_cast<uchar>(low >> 24), static_cast<uchar>(low >> 16),
                 static_cast<uchar>(low >> 8), static_cast<uchar>(low));
}

// The members of one object as read; null reads as absent.
struct SessionFields {
    std::array<std::optional<QString>, kFieldCount> texts;
    std::array<std::optional<double>, kFieldCount> numbers;
    std::optional<QUuid> id;
    std::optional<QUuid> projectID;
    std::optional<ProjectUsageSessionSource> source;
    std::array<bool, kFieldCount> present{};
    std::array<bool, kFieldCount> wrongType{};
    QList<UnknownJsonMember> unknownMembers;
};

// Names, clients and stacks repeat across thousands of sessions: each text
// is decoded once, and the sessions share it.
class TextCache {
public:
    // Nothing when the bytes are not valid UTF-8, which fails only the
    // session that holds them.
    std::optional<QString> text(JsonScanner &scanner)
    {
        const QByteArrayView raw = scanner.readRawString();
        const std::string_view key(raw.data(), static_cast<size_t>(raw.size()));
        const auto it = m_texts.find(key);
        if (it != m_texts.end())
            return it->second;
        const auto text = JsonScanner::decodeUtf8(raw);
        if (text)
            m_texts.emplace(std::string(key), *text);
        return text;
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_texts;
};

void readText(JsonScanner &scanner, TextCache &texts, int field, SessionFields &fields)
{
    if (field == kId || field == kProjectID) {
        auto &uuid = field == kId ? fields.id : fields.projectID;
        uuid = parseUuid(scanner.readRawString());
        fields.wrongType[field] = !uuid;
    } else if (field == kSource) {
        const QByteArrayView raw = scanner.readRawString();
        fields.source = raw == "playButton"       ? std::optional(ProjectUsageSessionSource::playButton)
                        : raw == "startWorkspace" ? std::optional(ProjectUsageSessionSource::startWorkspace)
                                                  : std::nullopt;
    } else {
        fields.texts[field] = texts.text(scanner);
        fields.wrongType[field] = !fields.texts[field];
    }
}

void readMember(JsonScanner &scanner, TextCache &texts, SessionFields &fields)
{
    scanner.peek();
    const qsizetype keyStart = scanner.position();
    const int field = fieldOf(scanner.readRawString());
    const qsizetype keyEnd = scanner.position();
    scanner.expect(':');
    if (field < 0) {
        scanner.peek();
        const qsizetype valueStart = scanner.position();
        scanner.skipValue();
        // The key without its quotes, and the value, exactly as written.
        if (scanner.ok())
            fields.unknownMembers.append(
                UnknownJsonMember{scanner.textBetween(keyStart + 1, keyEnd - 1).toByteArray(),
                                  scanner.textBetween(valueStart, scanner.position()).toByteArray()});
        return;
    }
    fields.present[field] = false;
    fields.wrongType[field] = false;
    const JsonScanner::Token token = scanner.peek();
    if (token == JsonScanner::Token::null) {
        scanner.readNull();
        return;
    }
    fields.present[field] = true;
    if (token == JsonScanner::Token::string && !isNumberField(field)) {
        readText(scanner, texts, field, fields);
    } else if (token == JsonScanner::Token::number && isNumberField(field)) {
        fields.numbers[field] = scanner.readNumber();
    } else {
        fields.wrongType[field] = true;
        scanner.skipValue();
    }
}

// The localisation key of the fault of a value of the wrong type.
QString wrongTypeKey(int field)
{
    if (field == kId || field == kProjectID)
        return u"record_key_not_uuid"_s;
    return isNumberField(field) ? u"record_key_not_number"_s : u"record_key_not_utf8_string"_s;
}

// Why the object cannot be read, leaving a source this version does not
// know aside; empty when nothing else is wrong.
QString fieldProblem(const SessionFields &fields)
{
    for (int field = 0; field < kFieldCount; ++field) {
        const QString key = QString::fromLatin1(kKeys[field]);
        const bool notFinite = fields.numbers[field] && !std::isfinite(*fields.numbers[field]);
        if (fields.wrongType[field] || notFinite)
            return L10n::format(wrongTypeKey(field), {key});
        if (!fields.present[field] && field != kPausedDuration)
            return L10n::format(u"record_key_missing"_s, {key});
    }
    return {};
}

// The session of fields without a problem and with a known source.
ProjectUsageSession sessionFrom(const SessionFields &fields)
{
    ProjectUsageSession session{*fields.id,
                                *fields.projectID,
                                *fields.texts[kProjectName],
                                *fields.texts[kClient],
                                *fields.texts[kStack],
                                *fields.source,
                                Timestamp::fromSecondsSinceReference(*fields.numbers[kStartedAt]),
                                Timestamp::fromSecondsSinceReference(*fields.numbers[kEndedAt]),
                                fields.present[kPausedDuration] ? *fields.numbers[kPausedDuration] : 0.0,
                                fields.unknownMembers};
    // Written back in key order, with the known keys.
    std::stable_sort(session.unknownMembers.begin(), session.unknownMembers.end(),
                     [](const UnknownJsonMember &a, const UnknownJsonMember &b) { return a.key < b.key; });
    return session;
}

bool needsEscape(char c)
{
    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
}

// Writes the file in one buffer through a cursor: building a document of
// QJsonValues first, or appending piece by piece, takes several times longer
// for a long history.
class SessionWriter {
public:
    explicit SessionWriter(qsizetype sessionCount)
    {
        m_out.reserve(sessionCount * 320 + 8);
        m_out.append("[\n");
    }

    // The unknown members go in only for the session file: an export holds
    // the nine keys alone.
    void append(const ProjectUsageSession &session, bool last, bool withUnknownMembers)
    {
        // Room for the fixed text, and for each string at its longest: six
        // bytes for each UTF-16 unit, should every one need escaping.
        const qsizetype start = m_out.size();
        qsizetype room =
            512 + 6 * (session.client.size() + session.projectName.size() + session.stack.size());
        m_unknown = std::span<const UnknownJsonMember>();
        if (withUnknownMembers)
            m_unknown = std::span(session.unknownMembers.constData(),
                                  static_cast<size_t>(session.unknownMembers.size()));
        for (const UnknownJsonMember &member : m_unknown)
            room += member.key.size() + member.value.size() + 16;
        m_out.resize(start + room);
        m_cursor = m_out.data() + start;
        put("  {");
        key("client");
        text(session.client);
        key("endedAt");
        number(session.endedAt.secondsSinceReference());
        key("id");
        uuid(session.id);
        key("pausedDuration");
        number(session.pausedDuration);
        key("projectID");
        uuid(session.projectID);
        key("projectName");
        text(session.projectName);
        key("source");
        text(ProjectUsageSessionSources::rawValue(session.source));
        key("stack");
        text(session.stack);
        key("startedAt");
        number(session.startedAt.secondsSinceReference());
        unknownMembersBefore({});
        if (last)
            put("\n  }\n");
        else
            put("\n  },\n");
        m_out.truncate(m_cursor - m_out.constData());
    }

    void appendAsStored(const SessionKeptAsStored &kept, bool last)
    {
        m_out.append("  ").append(kept.json).append(last ? "\n" : ",\n");
    }

    QByteArray finish()
    {
        m_out.append("]\n");
        return std::move(m_out);
    }

private:
    // Opens the member: first the unknown members whose keys sort before it.
    template <size_t N> void key(const char (&name)[N])
    {
        unknownMembersBefore(QByteArrayView(name, N - 1));
        if (m_cursor[-1] != '{')
            *m_cursor++ = ',';
        put("\n    \"");
        put(name);
        put("\": ");
    }

    // An empty bound writes every one left.
    void unknownMembersBefore(QByteArrayView bound)
    {
        while (!m_unknown.empty() && (bound.isEmpty() || m_unknown.front().key < bound)) {
            if (m_cursor[-1] != '{')
                *m_cursor++ = ',';
            put("\n    \"");
            bytes(m_unknown.front().key);
            put("\": ");
            bytes(m_unknown.front().value);
            m_unknown = m_unknown.subspan(1);
        }
    }

    void bytes(const QByteArray &raw)
    {
        std::memcpy(m_cursor, raw.constData(), static_cast<size_t>(raw.size()));
        m_cursor += raw.size();
    }

    template <size_t N> void put(const char (&literal)[N])
    {
        std::memcpy(m_cursor, literal, N - 1);
        m_cursor += N - 1;
    }

    void text(QStringView value)
    {
        *m_cursor++ = '"';
        char *begin = m_cursor;
        m_cursor = m_encoder.appendToBuffer(m_cursor, value);
        if (std::any_of(begin, m_cursor, needsEscape)) {
            const QByteArray raw(begin, m_cursor - begin);
            m_cursor = begin;
            for (const char c : raw)
                escaped(c);
        }
        *m_cursor++ = '"';
    }

    void escaped(char c)
    {
        static constexpr char hex[] = "0123456789abcdef";
        if (!needsEscape(c)) {
            *m_cursor++ = c;
            return;
        }
        *m_cursor++ = '\\';
        switch (c) {
        case '"':
        case '\\':
            *m_cursor++ = c;
            break;
        case '\n':
            *m_cursor++ = 'n';
            break;
        case '\r':
            *m_cursor++ = 'r';
            break;
        case '\t':
            *m_cursor++ = 't';
            break;
        default:
            put("u00");
            *m_cursor++ = hex[c >> 4];
            *m_cursor++ = hex[c & 0xF];
        }
    }

    void uuid(const QUuid &id)
    {
        static constexpr char hex[] = "0123456789ABCDEF";
        const auto digits = [&](quint64 value, int count) {
            for (int shift = (count - 1) * 4; shift >= 0; shift -= 4)
                *m_cursor++ = hex[(value >> shift) & 0xF];
        };
        *m_cursor++ = '"';
        digits(id.data1, 8);
        *m_cursor++ = '-';
        digits(id.data2, 4);
        *m_cursor++ = '-';
        digits(id.data3, 4);
        *m_cursor++ = '-';
        digits(static_cast<quint64>(id.data4[0]) << 8 | id.data4[1], 4);
        *m_cursor++ = '-';
        for (int i = 2; i < 8; ++i)
            digits(id.data4[i], 2);
        *m_cursor++ = '"';
    }

    // The shortest text that reads back as the same double, whatever the
    // locale; never more than 24 characters.
    void number(double value) { m_cursor = std::to_chars(m_cursor, m_cursor + 32, value).ptr; }

    QByteArray m_out;
    char *m_cursor = nullptr;
    std::span<const UnknownJsonMember> m_unknown;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

} // namespace

QString implausibility(const ProjectUsageSession &session)
{
    if (!UsageLimits::isPlausibleInstant(session.startedAt))
        return L10n::text(u"usage_session_start_implausible"_s);
    if (!UsageLimits::isPlausibleInstant(session.endedAt))
        return L10n::text(u"usage_session_end_implausible"_s);
    if (!UsageLimits::isPlausibleDuration(session.pausedDuration))
        return L10n::text(u"usage_session_pause_implausible"_s);
    return {};
}

namespace {

// One element of the array as read, taken only once a comma or the array's
// end follows it.
struct Element {
    std::optional<ProjectUsageSession> session;
    std::optional<SessionKeptAsStored> keptAsStored;
    // Why a whole element is refused.
    QString problem;
};

// Keys that every session has; an object nested in a member this version
// does not know seldom has them.
constexpr std::array<QByteArrayView, 3> kSessionKeys{"projectID", "startedAt", "endedAt"};

// Whether an object starts next, after white space: the comma before it is missing.
bool objectFollows(JsonScanner &scanner, QByteArrayView json)
{
    scanner.peek();
    return scanner.ok() && scanner.position() < json.size() && json[scanner.position()] == '{';
}

// The element that starts at the scanner's position, white space skipped.
Element readElement(JsonScanner &scanner, TextCache &texts, qsizetype index)
{
    Element element;
    const qsizetype objectStart = scanner.position();
    if (!scanner.consume('{')) {
        scanner.skipValue();
        element.problem = L10n::format(u"usage_session_not_object"_s, {QString::number(index + 1)});
        return element;
    }
    SessionFields fields;
    if (!scanner.consume('}')) {
        do
            readMember(scanner, texts, fields);
        while (scanner.ok() && scanner.consume(','));
        scanner.expect('}');
    }
    if (!scanner.ok())
        return element;
    if (const QString problem = fieldProblem(fields); !problem.isEmpty())
        element.problem = L10n::format(u"usage_session_reason"_s, {QString::number(index + 1), problem});
    else if (!fields.source)
        element.keptAsStored =
            SessionKeptAsStored{*fields.id, *fields.projectID,
                                scanner.textBetween(objectStart, scanner.position()).toByteArray()};
    else
        element.session = sessionFrom(fields);
    return element;
}

} // namespace

DecodedSessions decodeSessions(const QByteArray &json)
{
    DecodedSessions decoded;
    JsonScanner scanner(json);
    scanner.resumeAt(JsonArraySalvage::afterByteOrderMark(json));
    TextCache texts;
    // A stored session takes about 300 bytes.
    decoded.sessions.reserve(json.size() / 300);
    // A file left empty, as by a write cut off before any byte, holds no session.
    const JsonScanner::Token top = scanner.peek();
    if (top == JsonScanner::Token::end)
        return decoded;
    if (top != JsonScanner::Token::other || !scanner.consume('[')) {
        scanner.skipValue();
        decoded.unreadable.add(scanner.ok() ? L10n::text(u"json_top_level_not_array"_s) : scanner.error(),
                               JsonArraySalvage::recordsWithin(json, kSessionKeys));
        return decoded;
    }
    bool closed = scanner.consume(']');
    scanner.peek();
    const qsizetype first = scanner.position();
    // Where a break that runs to the end of the text begins, when one does.
    qsizetype brokenFrom = -1;
    // Whether the session before was read and no comma followed it.
    bool readWithoutComma = false;
    // Sessions are numbered as the user counts them in the file: a broken
    // stretch may hold several.
    for (qsizetype index = 0; !closed && scanner.ok();) {
        scanner.peek();
        const qsizetype start = scanner.position();
        Element element = readElement(scanner, texts, index);
        const bool more = scanner.consume(',');
        closed = !more && scanner.consume(']');
        const bool unseparated = !more && !closed && objectFollows(scanner, json);
        if (!more && !closed && !unseparated)
            scanner.fail(u"json_expected_comma_or_end"_s);
        if (!scanner.ok()) {
            // A broken session costs that session alone when its end can be
            // found; the sessions after it are still the user's. A bracket or
            // string left open in it ends it at the next session's start.
            qsizetype end = JsonArraySalvage::elementEnd(json, start);
            if (const qsizetype next = JsonArraySalvage::recordStartWithin(json, first, start, end);
                next >= 0)
                end = next;
            if (end == json.size()) {
                brokenFrom = start;
                break;
            }
            const int sessions =
                JsonArraySalvage::recordsWithin(json.sliced(start, end - start), kSessionKeys);
            decoded.unreadable.add(
                L10n::format(u"usage_session_reason"_s, {QString::number(index + 1), scanner.error()}),
                sessions);
            index += sessions;
            readWithoutComma = false;
            scanner.resumeAt(end);
            closed = !scanner.consume(',') && scanner.consume(']');
            continue;
        }
        const bool read = element.session || element.keptAsStored;
        if (read && readWithoutComma)
            decoded.unreadable.addMended(L10n::format(u"usage_sessions_comma_missing"_s,
                                                      {QString::number(index), QString::number(index + 1)}));
        if (element.session)
            decoded.sessions.append(std::move(*element.session));
        else if (element.keptAsStored)
            decoded.keptAsStored.append(std::move(*element.keptAsStored));
        else
            decoded.unreadable.add(element.problem);
        readWithoutComma = read && unseparated;
        ++index;
    }
    const qsizetype trailing = scanner.position();
    scanner.expectEnd();
    // Whatever follows a break in the text, or the array, is lost: the
    // sessions it holds.
    if (!scanner.ok())
        decoded.unreadable.add(scanner.error(),
                               JsonArraySalvage::recordsWithin(
                                   json.sliced(brokenFrom >= 0 ? brokenFrom : trailing), kSessionKeys));
    return decoded;
}

namespace {

Result<QByteArray> encode(const QList<ProjectUsageSession> &sessions,
                          const QList<ProjectUsageSession> &uncounted,
                          const QList<SessionKeptAsStored> &keptAsStored, bool withUnknownMembers)
{
    const qsizetype total = sessions.size() + uncounted.size() + keptAsStored.size();
    if (total == 0)
        return Result<QByteArray>::success(QByteArrayLiteral("[]\n"));
    SessionWriter writer(total);
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        if (const QString problem = implausibility(sessions[i]); !problem.isEmpty())
            return Result<QByteArray>::failure(
                L10n::format(u"usage_session_reason"_s, {QString::number(i + 1), problem}));
        writer.append(sessions[i], i + 1 == total, withUnknownMembers);
    }
    qsizetype written = sessions.size();
    for (const ProjectUsageSession &session : uncounted)
        writer.append(session, ++written == total, withUnknownMembers);
    for (const SessionKeptAsStored &kept : keptAsStored)
        writer.appendAsStored(kept, ++written == total);
    return Result<QByteArray>::success(writer.finish());
}

} // namespace

Result<QByteArray> encodeSessions(const QList<ProjectUsageSession> &sessions)
{
    return encode(sessions, {}, {}, false);
}

Result<QByteArray> encodeSessionFile(const QList<ProjectUsageSession> &sessions,
                                     const QList<ProjectUsageSession> &uncounted,
                                     const QList<SessionKeptAsStored> &keptAsStored)
{
    return encode(sessions, uncounted, keptAsStored, true);
}

} // namespace devnook::UsageSessionCoding
