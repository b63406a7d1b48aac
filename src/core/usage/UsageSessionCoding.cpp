#include "UsageSessionCoding.h"

#include "UsageLimits.h"
#include "core/foundation/JsonObjectReader.h"
#include "core/foundation/UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace devnook::UsageSessionCoding {

QString implausibility(const ProjectUsageSession &session)
{
    if (!UsageLimits::isPlausibleInstant(session.startedAt))
        return u"\"startedAt\" lies outside the years usage can be counted in"_s;
    if (!UsageLimits::isPlausibleInstant(session.endedAt))
        return u"\"endedAt\" lies outside the years usage can be counted in"_s;
    if (!UsageLimits::isPlausibleDuration(session.pausedDuration))
        return u"\"pausedDuration\" is too large to be real"_s;
    return {};
}

Result<ProjectUsageSession> decodeSession(const QJsonObject &object)
{
    JsonObjectReader reader(object);
    ProjectUsageSession session;
    session.id = reader.requiredUuid(u"id"_s);
    session.projectID = reader.requiredUuid(u"projectID"_s);
    session.projectName = reader.requiredString(u"projectName"_s);
    session.client = reader.requiredString(u"client"_s);
    session.stack = reader.requiredString(u"stack"_s);
    const QString source = reader.requiredString(u"source"_s);
    session.startedAt = reader.requiredTimestamp(u"startedAt"_s);
    session.endedAt = reader.requiredTimestamp(u"endedAt"_s);
    session.pausedDuration = reader.optionalNumber(u"pausedDuration"_s).value_or(0.0);
    if (!reader.ok())
        return Result<ProjectUsageSession>::failure(reader.error());
    const auto decodedSource = ProjectUsageSessionSources::fromRawValue(source);
    if (!decodedSource)
        return Result<ProjectUsageSession>::failure(u"unknown session source \"%1\""_s.arg(source));
    session.source = *decodedSource;
    if (const QString problem = implausibility(session); !problem.isEmpty())
        return Result<ProjectUsageSession>::failure(problem);
    return Result<ProjectUsageSession>::success(std::move(session));
}

QJsonObject encodeSession(const ProjectUsageSession &session)
{
    return {
        {u"id"_s, UuidText::format(session.id)},
        {u"projectID"_s, UuidText::format(session.projectID)},
        {u"projectName"_s, session.projectName},
        {u"client"_s, session.client},
        {u"stack"_s, session.stack},
        {u"source"_s, ProjectUsageSessionSources::rawValue(session.source)},
        {u"startedAt"_s, session.startedAt.secondsSinceReference()},
        {u"endedAt"_s, session.endedAt.secondsSinceReference()},
        {u"pausedDuration"_s, session.pausedDuration},
    };
}

Result<QList<ProjectUsageSession>> decodeSessions(const QByteArray &json)
{
    using SessionsResult = Result<QList<ProjectUsageSession>>;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return SessionsResult::failure(u"not valid JSON at offset %1: %2"_s.arg(
            QString::number(parseError.offset), parseError.errorString()));
    if (!document.isArray())
        return SessionsResult::failure(u"the top level is not an array"_s);
    const QJsonArray array = document.array();
    QList<ProjectUsageSession> sessions;
    sessions.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array[i].isObject())
            return SessionsResult::failure(u"session %1 is not an object"_s.arg(i));
        auto session = decodeSession(array[i].toObject());
        if (!session)
            return SessionsResult::failure(u"session %1: %2"_s.arg(QString::number(i), session.error()));
        sessions.append(std::move(session).value());
    }
    return SessionsResult::success(std::move(sessions));
}

Result<QByteArray> encodeSessions(const QList<ProjectUsageSession> &sessions)
{
    QJsonArray array;
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        if (const QString problem = implausibility(sessions[i]); !problem.isEmpty())
            return Result<QByteArray>::failure(u"session %1: %2"_s.arg(QString::number(i), problem));
        array.append(encodeSession(sessions[i]));
    }
    return Result<QByteArray>::success(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

} // namespace devnook::UsageSessionCoding
