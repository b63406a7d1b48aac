#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace devnook::JsonMemberTexts {

// A member of a JSON object: its key, and its value's text as written.
struct Member {
    QString key;
    QByteArrayView value;
};

// The members of the text of one valid JSON object, in the order written;
// the values are views into the text.
QList<Member> of(QByteArrayView object);

// The text of the last member with the key; empty when there is none.
QByteArrayView valueOf(const QList<Member> &members, QStringView key);

} // namespace devnook::JsonMemberTexts
