#pragma once

#include "TelemetryManagerConfiguration.h"
#include "core/foundation/Timestamp.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <optional>

namespace devnook {

// One signal as the ingest service receives it.
struct SignalPostBody {
    Timestamp receivedAt;
    QString appID;
    // SHA-256 of the user identifier with the configuration's salt.
    QString clientUser;
    // Upper-case UUID text.
    QString sessionID;
    QString type;
    std::optional<double> floatValue;
    TelemetryParameters payload;
    bool isTestMode = false;

    bool operator==(const SignalPostBody &) const = default;

    // The request form: "receivedAt" as UTC date text, "isTestMode" as the
    // string "true" or "false", no "floatValue" key without a number.
    QJsonObject toRequestJson() const;
    // The cache file's form: "receivedAt" as seconds since 2001-01-01 UTC.
    QJsonObject toCacheJson() const;
    // A body of the cache file's form; none when a key other than "floatValue"
    // is missing or of the wrong type.
    static std::optional<SignalPostBody> fromCacheJson(const QJsonObject &object);

    // The cache file's form as compact JSON text.
    QByteArray toCacheBytes() const;
    // A body of that text; none when it is not a JSON object of that form.
    static std::optional<SignalPostBody> fromCacheBytes(const QByteArray &bytes);
};

// The bodies as the JSON array of one request.
QByteArray encodeRequestBatch(const QList<SignalPostBody> &bodies);

} // namespace devnook
