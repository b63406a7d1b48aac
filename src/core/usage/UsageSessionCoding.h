#pragma once

#include "ProjectUsageSession.h"
#include "core/foundation/Result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

namespace devnook::UsageSessionCoding {

// Why the session cannot be stored (a number that is not finite, a date or
// duration outside the plausible window), or an empty text when it can.
QString implausibility(const ProjectUsageSession &session);

// Reads one session object. Every key but "pausedDuration" is required (null
// counts as missing, a missing pause as 0); a wrong type, a text that is not a
// UUID, an unknown source, or a date or duration outside the plausible window
// fails the object.
Result<ProjectUsageSession> decodeSession(const QJsonObject &object);

// The session's nine keys; "pausedDuration" also when 0.
QJsonObject encodeSession(const ProjectUsageSession &session);

// A JSON array of session objects; one failing object fails the whole list.
Result<QList<ProjectUsageSession>> decodeSessions(const QByteArray &json);

// The pretty-printed array, keys in sorted order. Refuses an implausible
// session, which decodeSession would refuse, so a written file always reads back.
Result<QByteArray> encodeSessions(const QList<ProjectUsageSession> &sessions);

} // namespace devnook::UsageSessionCoding
