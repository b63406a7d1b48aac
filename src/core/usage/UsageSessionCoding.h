#pragma once

#include "ProjectUsageSession.h"
#include "core/foundation/Result.h"
#include "core/foundation/SetAsideRecords.h"

#include <QByteArray>
#include <QList>

namespace devnook::UsageSessionCoding {

// Why the session cannot be stored (a number that is not finite, a date or
// duration outside the plausible window), or an empty text when it can.
QString implausibility(const ProjectUsageSession &session);

// What a session file held: every session object that could be read, in
// file order, and how many could not.
struct DecodedSessions {
    QList<ProjectUsageSession> sessions;
    // Objects whose only fault is a source this version does not know.
    QList<SessionKeptAsStored> keptAsStored;
    // Objects refused, counting a cut or broken rest of the text as one, and why.
    SetAsideRecords unreadable;
};

// Reads a JSON array of session objects in any layout, after a byte-order
// mark when one leads; an empty text, or white space alone, holds none. In each object every
// key but "pausedDuration" is required (null counts as missing, a missing
// pause as 0) and other keys are kept as unknown members; a wrong type or a
// text that is not a UUID or not UTF-8 refuses that object alone. An object
// whose only fault is an unknown source is kept as stored. Dates and pauses
// are not judged here (UsageLimits::shapeOf).
DecodedSessions decodeSessions(const QByteArray &json);

// The export form: the pretty-printed array with each object's nine keys in
// sorted order ("pausedDuration" also when 0). Refuses an implausible
// session, so a written file always reads back.
Result<QByteArray> encodeSessions(const QList<ProjectUsageSession> &sessions);

// The session file: the sessions as in the export, then the uncounted ones
// as they were read, each with its unknown members among the keys in sorted
// order, then the objects kept as stored, each exactly as it was read.
Result<QByteArray> encodeSessionFile(const QList<ProjectUsageSession> &sessions,
                                     const QList<ProjectUsageSession> &uncounted,
                                     const QList<SessionKeptAsStored> &keptAsStored);

} // namespace devnook::UsageSessionCoding
