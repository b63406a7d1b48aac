#pragma once

#include "ProjectUsageSession.h"
#include "core/foundation/Result.h"

#include <QByteArray>
#include <QList>

namespace devnook::UsageSessionCoding {

// Why the session cannot be stored (a number that is not finite, a date or
// duration outside the plausible window), or an empty text when it can.
QString implausibility(const ProjectUsageSession &session);

// Reads a JSON array of session objects in any layout. In each object every
// key but "pausedDuration" is required (null counts as missing, a missing
// pause as 0) and other keys are ignored; a wrong type, a text that is not a
// UUID, an unknown source or an implausible session fails the whole list.
Result<QList<ProjectUsageSession>> decodeSessions(const QByteArray &json);

// The pretty-printed array with each object's nine keys in sorted order
// ("pausedDuration" also when 0). Refuses an implausible session, so a
// written file always reads back.
Result<QByteArray> encodeSessions(const QList<ProjectUsageSession> &sessions);

} // namespace devnook::UsageSessionCoding
