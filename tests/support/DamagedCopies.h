#pragma once

#include <QByteArray>
#include <QList>
#include <algorithm>

namespace devnook::test {

// Where each record of a file begins: at the brace before each occurrence
// of its first key (records are written with their keys sorted).
inline QList<qsizetype> recordStarts(const QByteArray &whole, QByteArrayView firstKey)
{
    QList<qsizetype> starts;
    for (qsizetype key = whole.indexOf(firstKey); key >= 0; key = whole.indexOf(firstKey, key + 1))
        starts.append(whole.lastIndexOf('{', key));
    return starts;
}

// A damaged copy of a file, and how many of its records it still holds, whole or begun.
struct DamagedCopy {
    QByteArray bytes;
    qsizetype recordsBegun;
};

// The file cut at every byte, and with every byte lost in turn: a cut holds
// the records that begin before it, a lost byte all of them.
inline QList<DamagedCopy> damagedCopies(const QByteArray &whole, const QList<qsizetype> &starts)
{
    QList<DamagedCopy> copies;
    for (qsizetype at = 0; at < whole.size(); ++at) {
        const qsizetype begun =
            std::count_if(starts.begin(), starts.end(), [at](qsizetype start) { return start < at; });
        copies.append({whole.first(at), begun});
        copies.append({QByteArray(whole).remove(at, 1), starts.size()});
    }
    return copies;
}

} // namespace devnook::test
