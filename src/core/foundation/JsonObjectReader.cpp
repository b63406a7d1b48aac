#include "JsonObjectReader.h"

#include "L10n.h"
#include "UuidText.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace devnook {

JsonObjectReader::JsonObjectReader(const QJsonObject &object) : m_object(object) {}

bool JsonObjectReader::has(const QString &key) const
{
    const QJsonValue value = m_object.value(key);
    return !value.isNull() && !value.isUndefined();
}

QJsonValue JsonObjectReader::present(const QString &key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isNull() || value.isUndefined())
        return QJsonValue(QJsonValue::Undefined);
    ++m_valuesFound;
    return value;
}

void JsonObjectReader::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error;
}

void JsonObjectReader::missing(const QString &key)
{
    fail(L10n::format(u"record_key_missing"_s, {key}));
}

void JsonObjectReader::wrongType(const QString &key, const QString &textKey)
{
    fail(L10n::format(textKey, {key}));
}

std::optional<QString> JsonObjectReader::optionalString(const QString &key)
{
    const QJsonValue value = present(key);
    if (!ok() || value.isUndefined())
        return std::nullopt;
    if (!value.isString()) {
        wrongType(key, u"record_key_not_string"_s);
        return std::nullopt;
    }
    return value.toString();
}

QString JsonObjectReader::requiredString(const QString &key)
{
    const bool wasOk = ok();
    auto value = optionalString(key);
    if (wasOk && ok() && !value)
        missing(key);
    return value.value_or(QString());
}

QString JsonObjectReader::string(const QString &key, const QString &fallback)
{
    return optionalString(key).value_or(fallback);
}

std::optional<bool> JsonObjectReader::optionalBool(const QString &key)
{
    const QJsonValue value = present(key);
    if (!ok() || value.isUndefined())
        return std::nullopt;
    if (!value.isBool()) {
        wrongType(key, u"record_key_not_boolean"_s);
        return std::nullopt;
    }
    return value.toBool();
}

bool JsonObjectReader::boolean(const QString &key, bool fallback)
{
    return optionalBool(key).value_or(fallback);
}

bool JsonObjectReader::requiredBool(const QString &key)
{
    const bool wasOk = ok();
    auto value = optionalBool(key);
    if (wasOk && ok() && !value)
        missing(key);
    return value.value_or(false);
}

std::optional<double> JsonObjectReader::optionalNumber(const QString &key)
{
    const QJsonValue value = present(key);
    if (!ok() || value.isUndefined())
        return std::nullopt;
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        wrongType(key, u"record_key_not_number"_s);
        return std::nullopt;
    }
    return value.toDouble();
}

double JsonObjectReader::requiredNumber(const QString &key)
{
    const bool wasOk = ok();
    auto value = optionalNumber(key);
    if (wasOk && ok() && !value)
        missing(key);
    return value.value_or(0.0);
}

std::optional<QUuid> JsonObjectReader::optionalUuid(const QString &key)
{
    const auto text = optionalString(key);
    if (!text)
        return std::nullopt;
    auto uuid = UuidText::parse(*text);
    if (!uuid)
        wrongType(key, u"record_key_not_uuid"_s);
    return uuid;
}

QUuid JsonObjectReader::requiredUuid(const QString &key)
{
    const bool wasOk = ok();
    auto value = optionalUuid(key);
    if (wasOk && ok() && !value)
        missing(key);
    return value.value_or(QUuid());
}

std::optional<Timestamp> JsonObjectReader::optionalTimestamp(const QString &key)
{
    const auto seconds = optionalNumber(key);
    if (!seconds)
        return std::nullopt;
    return Timestamp::fromSecondsSinceReference(*seconds);
}

Timestamp JsonObjectReader::requiredTimestamp(const QString &key)
{
    return Timestamp::fromSecondsSinceReference(requiredNumber(key));
}

QJsonArray JsonObjectReader::array(const QString &key)
{
    const QJsonValue value = present(key);
    if (!ok() || value.isUndefined())
        return {};
    if (!value.isArray()) {
        wrongType(key, u"record_key_not_array"_s);
        return {};
    }
    return value.toArray();
}

} // namespace devnook
