#pragma once

#include "Timestamp.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// Reads the fields of one JSON object with strict types. A key holding null
// counts as absent; a value of the wrong type is an error. The first error is
// kept and later reads return empty values, so a decoder can read every field
// and check ok() once at the end.
class JsonObjectReader {
public:
    explicit JsonObjectReader(const QJsonObject &object);

    bool has(const QString &key) const;

    std::optional<QString> optionalString(const QString &key);
    QString requiredString(const QString &key);
    QString string(const QString &key, const QString &fallback);

    std::optional<bool> optionalBool(const QString &key);
    bool boolean(const QString &key, bool fallback);
    bool requiredBool(const QString &key);

    std::optional<double> optionalNumber(const QString &key);
    double requiredNumber(const QString &key);

    std::optional<QUuid> optionalUuid(const QString &key);
    QUuid requiredUuid(const QString &key);

    std::optional<Timestamp> optionalTimestamp(const QString &key);
    Timestamp requiredTimestamp(const QString &key);

    // The array under the key; an empty array when absent.
    QJsonArray array(const QString &key);

    // Records an error found by the caller (a nested record that failed).
    void fail(const QString &error);

    // True when the reads found a value under every key of the object, so it
    // holds no member that the caller does not read; each key read once.
    bool readEveryMember() const { return m_valuesFound == m_object.size(); }

    bool ok() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }

private:
    QJsonValue present(const QString &key);
    void missing(const QString &key);
    // textKey names the localised text of the fault, which the key fills.
    void wrongType(const QString &key, const QString &textKey);

    QJsonObject m_object;
    QString m_error;
    qsizetype m_valuesFound = 0;
};

} // namespace devnook
