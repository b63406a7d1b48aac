#pragma once

#include "core/foundation/Timestamp.h"

#include <QHash>
#include <QString>

namespace devnook::TelemetryCoding {

// The moment as request bodies write it: "yyyy-MM-dd'T'HH:mm:ssZ" in UTC,
// e.g. "2024-03-07T14:05:09+0000", whatever the machine's zone and locale.
QString requestDateText(Timestamp moment);

// The shortest decimal text that reads back as the same number, with at least
// one fractional digit ("2.0", "1.234").
QString decimalText(double value);

// The local calendar date of the moment as "yyyy-MM-dd".
QString localISODate(Timestamp moment);
// The UTC calendar date of the moment as "yyyy-MM-dd".
QString utcISODate(Timestamp moment);

// A new map whose keys are the function applied to each key; when two keys
// map to the same one, one of their values survives.
template <typename Function>
QHash<QString, QString> mapKeys(const QHash<QString, QString> &map, Function &&function)
{
    QHash<QString, QString> result;
    result.reserve(map.size());
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result.insert(function(it.key()), it.value());
    return result;
}

// The map with the other's entries merged in; the other's values win.
QHash<QString, QString> merged(QHash<QString, QString> map, const QHash<QString, QString> &other);

} // namespace devnook::TelemetryCoding
