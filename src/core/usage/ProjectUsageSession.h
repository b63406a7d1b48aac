#pragma once

#include "core/foundation/Timestamp.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>
#include <algorithm>
#include <optional>

namespace devnook {

// What started the tracking of a session.
enum class ProjectUsageSessionSource { playButton, startWorkspace };

namespace ProjectUsageSessionSources {

// Every source, in order.
const QList<ProjectUsageSessionSource> &all();

// The raw value, also the stored and exported form ("playButton").
QString rawValue(ProjectUsageSessionSource source);

// The source of a raw value, matched exactly (letter case counts); nothing otherwise.
std::optional<ProjectUsageSessionSource> fromRawValue(const QString &rawValue);

// The localised title ("usage_session_source_play", "usage_session_source_workspace").
QString localizedTitle(ProjectUsageSessionSource source);

} // namespace ProjectUsageSessionSources

// A member of a stored session object that this version does not know: its
// key and value as JSON text, written back unchanged.
struct UnknownJsonMember {
    QByteArray key;
    QByteArray value;

    bool operator==(const UnknownJsonMember &) const = default;
};

// A session object this version cannot read though it is whole, such as one
// whose source a later version added: counted nowhere, and written back to
// the session file exactly as it was stored.
struct SessionKeptAsStored {
    QUuid id;
    QUuid projectID;
    // The object's JSON text as it was read.
    QByteArray json;

    bool operator==(const SessionKeptAsStored &) const = default;
};

// One completed stretch of tracked time of one project. Stored sessions never
// cross a local midnight.
struct ProjectUsageSession {
    QUuid id;
    QUuid projectID;
    // Name, client and stack as they were when tracking started, untrimmed.
    QString projectName;
    QString client;
    QString stack;
    ProjectUsageSessionSource source = ProjectUsageSessionSource::playButton;
    Timestamp startedAt;
    Timestamp endedAt;
    // Seconds inside the stretch that count as paused.
    double pausedDuration = 0.0;
    // Members written by a later version, kept for the session file only.
    QList<UnknownJsonMember> unknownMembers{};

    // endedAt minus startedAt, 0 when negative. Inline, as the next two: the
    // statistics ask them of every session.
    double elapsedDuration() const { return std::max(0.0, startedAt.secondsTo(endedAt)); }

    // The elapsed time minus the pause (a pause longer than the session counts
    // as the whole session), never negative.
    double trackedDuration() const
    {
        const double elapsed = elapsedDuration();
        return std::max(0.0, elapsed - std::min(pausedDuration, elapsed));
    }

    // Tracked time over elapsed time; pauses count as spread evenly over the
    // session. Nothing when the session has no length.
    std::optional<double> trackedFraction() const
    {
        const double elapsed = elapsedDuration();
        if (!(elapsed > 0.0))
            return std::nullopt;
        return std::max(0.0, elapsed - std::min(pausedDuration, elapsed)) / elapsed;
    }

    // The tracked time between the two instants: the overlap times the
    // tracked fraction, 0 when they do not overlap.
    double trackedBetween(Timestamp from, Timestamp to) const;

    bool operator==(const ProjectUsageSession &) const = default;
};

} // namespace devnook
