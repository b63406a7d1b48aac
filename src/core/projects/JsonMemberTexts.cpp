#include "JsonMemberTexts.h"

#include "JsonArraySalvage.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace devnook::JsonMemberTexts {

namespace {

// The offset of the quote that closes the string opening at `at`.
qsizetype stringEnd(QByteArrayView json, qsizetype at)
{
    for (++at; at < json.size() && json[at] != '"'; ++at) {
        if (json[at] == '\\')
            ++at;
    }
    return at;
}

// The key as the reader of the whole object has it; escapes are rare, so the
// reader is asked only for a key that holds one.
QString decodedKey(QByteArrayView quoted)
{
    if (!quoted.contains('\\'))
        return QString::fromUtf8(quoted.sliced(1, quoted.size() - 2));
    const QByteArray object = '{' + quoted.toByteArray() + ":0}";
    const QStringList keys = QJsonDocument::fromJson(object).object().keys();
    return keys.value(0);
}

} // namespace

QList<Member> of(QByteArrayView object)
{
    QList<Member> members;
    qsizetype at = JsonArraySalvage::skipSpace(object, 0);
    if (at == object.size() || object[at] != '{')
        return members;
    at = JsonArraySalvage::skipSpace(object, at + 1);
    while (at < object.size() && object[at] == '"') {
        const qsizetype keyEnd = stringEnd(object, at);
        if (keyEnd >= object.size())
            break;
        const QString key = decodedKey(object.sliced(at, keyEnd + 1 - at));
        at = JsonArraySalvage::skipSpace(object, keyEnd + 1);
        if (at == object.size() || object[at] != ':')
            break;
        at = JsonArraySalvage::skipSpace(object, at + 1);
        const qsizetype end = JsonArraySalvage::elementEnd(object, at, '}');
        members.append(Member{key, object.sliced(at, end - at).trimmed()});
        if (end == object.size() || object[end] != ',')
            break;
        at = JsonArraySalvage::skipSpace(object, end + 1);
    }
    return members;
}

QByteArrayView valueOf(const QList<Member> &members, QStringView key)
{
    const auto last = std::find_if(members.crbegin(), members.crend(),
                                   [key](const Member &member) { return member.key == key; });
    return last == members.crend() ? QByteArrayView() : last->value;
}

} // namespace devnook::JsonMemberTexts
