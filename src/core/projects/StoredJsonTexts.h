#pragma once

#include "DevProject.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonValue>
#include <QList>
#include <QString>

namespace devnook {

// Writes stored JSON texts into a document that the JSON writer formats: the
// document holds a marker string in place of each text, and fill() puts each
// text at its marker's place in the written bytes. The markers hold a random
// part, so no text of the user's can pass for one.
class StoredTextMarkers {
public:
    // The marker that stands in the document for the text.
    QJsonValue marker(const QByteArray &text);
    // The written document with every marker replaced by its text.
    QByteArray fill(QByteArray written) const;

private:
    QString m_prefix;
    QByteArray m_writtenPrefix;
    QList<QByteArray> m_texts;
};

namespace StoredJsonTexts {

// Whether the project, or a service, link or preview URL of it, holds members
// this version does not read, or links it keeps as stored.
bool holdsUnknowns(const DevProject &project);

// Gives the project's unknown members, and its links kept as stored, the
// texts they have in the text of the project object as it was stored.
void keep(DevProject &project, QByteArrayView storedObject);

// The JSON text of a value, when the text it was stored as is not at hand.
QByteArray textOf(const QJsonValue &value);
// The value that a JSON text holds.
QJsonValue valueOf(const QByteArray &text);

} // namespace StoredJsonTexts

} // namespace devnook
