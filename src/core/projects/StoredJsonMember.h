#pragma once

#include <QByteArray>
#include <QString>

namespace devnook {

// A member of a catalogue object that this version does not read, such as one
// a later version added: its key, and its value as the JSON text it was
// stored as, so that it goes back to the file byte for byte.
struct StoredJsonMember {
    QString key;
    QByteArray value;

    bool operator==(const StoredJsonMember &) const = default;
};

} // namespace devnook
