#include "SignalPostBody.h"

#include "TelemetryCoding.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

QJsonObject jsonWithoutDate(const SignalPostBody &body)
{
    QJsonObject payload;
    for (auto it = body.payload.cbegin(); it != body.payload.cend(); ++it)
        payload.insert(it.key(), it.value());
    QJsonObject object{
        {u"appID"_s, body.appID},         {u"clientUser"_s, body.clientUser},
        {u"sessionID"_s, body.sessionID}, {u"type"_s, body.type},
        {u"payload"_s, payload},          {u"isTestMode"_s, body.isTestMode ? u"true"_s : u"false"_s}};
    if (body.floatValue)
        object.insert(u"floatValue"_s, *body.floatValue);
    return object;
}

} // namespace

QJsonObject SignalPostBody::toRequestJson() const
{
    QJsonObject object = jsonWithoutDate(*this);
    object.insert(u"receivedAt"_s, TelemetryCoding::requestDateText(receivedAt));
    return object;
}

QJsonObject SignalPostBody::toCacheJson() const
{
    QJsonObject object = jsonWithoutDate(*this);
    object.insert(u"receivedAt"_s, receivedAt.secondsSinceReference());
    return object;
}

std::optional<SignalPostBody> SignalPostBody::fromCacheJson(const QJsonObject &object)
{
    const QJsonValue receivedAt = object.value(u"receivedAt"_s);
    const QJsonValue payload = object.value(u"payload"_s);
    const QJsonValue floatValue = object.value(u"floatValue"_s);
    const QJsonValue isTestMode = object.value(u"isTestMode"_s);
    if (!receivedAt.isDouble() || !payload.isObject() || !isTestMode.isString() ||
        !(floatValue.isDouble() || floatValue.isNull() || floatValue.isUndefined()))
        return std::nullopt;
    SignalPostBody body;
    for (const auto &[key, member] : {std::pair{u"appID"_s, &body.appID},
                                      {u"clientUser"_s, &body.clientUser},
                                      {u"sessionID"_s, &body.sessionID},
                                      {u"type"_s, &body.type}}) {
        const QJsonValue value = object.value(key);
        if (!value.isString())
            return std::nullopt;
        *member = value.toString();
    }
    const QJsonObject payloadObject = payload.toObject();
    for (auto it = payloadObject.begin(); it != payloadObject.end(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        body.payload.insert(it.key(), it.value().toString());
    }
    body.receivedAt = Timestamp::fromSecondsSinceReference(receivedAt.toDouble());
    if (floatValue.isDouble())
        body.floatValue = floatValue.toDouble();
    body.isTestMode = isTestMode.toString() == u"true";
    return body;
}

QByteArray SignalPostBody::toCacheBytes() const
{
    return QJsonDocument(toCacheJson()).toJson(QJsonDocument::Compact);
}

std::optional<SignalPostBody> SignalPostBody::fromCacheBytes(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromCacheJson(document.object());
}

QByteArray encodeRequestBatch(const QList<SignalPostBody> &bodies)
{
    QJsonArray array;
    for (const SignalPostBody &body : bodies)
        array.append(body.toRequestJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace devnook
