#include "StoredJsonTexts.h"

#include "JsonArraySalvage.h"
#include "JsonMemberTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>
#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace devnook {

QJsonValue StoredTextMarkers::marker(const QByteArray &text)
{
    if (m_prefix.isEmpty()) {
        // The writer escapes the control character as \u0001, which is how
        // the marker is found again.
        const QString random = QUuid::createUuid().toString(QUuid::Id128);
        m_prefix = QChar(u'\x01') + random + u'#';
        m_writtenPrefix = "\"\\u0001" + random.toLatin1() + '#';
    }
    m_texts.append(text);
    return QString(m_prefix + QString::number(m_texts.size() - 1));
}

QByteArray StoredTextMarkers::fill(QByteArray written) const
{
    if (m_texts.isEmpty())
        return written;
    QByteArray filled;
    filled.reserve(written.size() +
                   std::accumulate(m_texts.cbegin(), m_texts.cend(), qsizetype(0),
                                   [](qsizetype sum, const QByteArray &text) { return sum + text.size(); }));
    qsizetype from = 0;
    for (qsizetype at = written.indexOf(m_writtenPrefix); at >= 0;
         at = written.indexOf(m_writtenPrefix, from)) {
        const qsizetype digits = at + m_writtenPrefix.size();
        const qsizetype close = written.indexOf('"', digits);
        const qsizetype index = QByteArrayView(written).sliced(digits, close - digits).toLongLong();
        filled.append(QByteArrayView(written).sliced(from, at - from));
        filled.append(m_texts.at(index));
        from = close + 1;
    }
    filled.append(QByteArrayView(written).sliced(from));
    return filled;
}

namespace StoredJsonTexts {

namespace {

template <typename Record> bool anyHoldsUnknowns(const QList<Record> &records)
{
    return std::any_of(records.cbegin(), records.cend(),
                       [](const Record &record) { return !record.unknownMembers.isEmpty(); });
}

void takeTexts(QList<StoredJsonMember> &unknown, const QList<JsonMemberTexts::Member> &members)
{
    for (StoredJsonMember &member : unknown) {
        const QByteArrayView text = JsonMemberTexts::valueOf(members, member.key);
        if (!text.isEmpty())
            member.value = text.toByteArray();
    }
}

void takeTexts(QList<StoredJsonMember> &unknown, QByteArrayView storedObject)
{
    if (!unknown.isEmpty())
        takeTexts(unknown, JsonMemberTexts::of(storedObject));
}

template <typename Record> void takeTexts(QList<Record> &records, const QList<QByteArrayView> &storedObjects)
{
    for (qsizetype i = 0; i < std::min(records.size(), storedObjects.size()); ++i)
        takeTexts(records[i].unknownMembers, storedObjects[i]);
}

} // namespace

bool holdsUnknowns(const DevProject &project)
{
    return !project.unknownMembers.isEmpty() || !project.linksKeptAsStored.isEmpty() ||
           anyHoldsUnknowns(project.services) || anyHoldsUnknowns(project.workspaceLinks) ||
           anyHoldsUnknowns(project.previewLinkedURLs);
}

void keep(DevProject &project, QByteArrayView storedObject)
{
    const QList<JsonMemberTexts::Member> members = JsonMemberTexts::of(storedObject);
    takeTexts(project.unknownMembers, members);
    const auto storedRecords = [&members](QStringView key) {
        const auto pieces = JsonArraySalvage::split(JsonMemberTexts::valueOf(members, key));
        return pieces ? pieces->elements : QList<QByteArrayView>();
    };
    takeTexts(project.services, storedRecords(u"services"));
    takeTexts(project.previewLinkedURLs, storedRecords(u"previewLinkedURLs"));
    // The links kept as stored are left out of workspaceLinks, so the stored
    // list holds both, in the order of their positions.
    const QList<QByteArrayView> links = storedRecords(u"workspaceLinks");
    qsizetype next = 0;
    for (qsizetype i = 0; i < links.size(); ++i) {
        const auto kept = std::find_if(project.linksKeptAsStored.begin(), project.linksKeptAsStored.end(),
                                       [i](const LinkKeptAsStored &link) { return link.position == i; });
        if (kept != project.linksKeptAsStored.end())
            kept->json = links[i].toByteArray();
        else if (next < project.workspaceLinks.size())
            takeTexts(project.workspaceLinks[next++].unknownMembers, links[i]);
    }
}

QByteArray textOf(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

QJsonValue valueOf(const QByteArray &text)
{
    return QJsonDocument::fromJson('[' + text + ']').array().at(0);
}

} // namespace StoredJsonTexts

} // namespace devnook
