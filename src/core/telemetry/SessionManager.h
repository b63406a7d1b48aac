#pragma once

#include "TelemetryManagerConfiguration.h"
#include "core/foundation/Timestamp.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <optional>

namespace devnook {

class ApplicationActivity;
class Clock;
class KeyValueStore;

// The telemetry sessions of the last 90 days as foreground time, the days the
// client was used and the first session's date, kept in the client's own user
// defaults (nothing is kept without them), and the retention figures every
// signal carries. A session's entry is rewritten every second of foreground
// time once it reaches one second.
class SessionManager final : public QObject {
    Q_OBJECT

public:
    // Drops stored sessions that started 90 days ago or earlier, counting
    // them as deleted, and records today as a day of use.
    SessionManager(const Clock &clock, KeyValueStore *customDefaults, ApplicationActivity &activity,
                   QObject *parent = nullptr);

    // Begins a new foreground session; with no session in the history, the
    // installation counts as new.
    void startNewSession();

    // -1 without sessions, the only one's length with one, otherwise the
    // average over all but the running (last) one.
    int averageSessionSeconds() const;

    // The acquisition and retention entries of the default payload.
    TelemetryParameters retentionParameters() const;

    // The number of ISO dates not before the cutoff.
    static int countISODatesOnOrAfter(const QStringList &dates, const QString &cutoffISODate);

Q_SIGNALS:
    // Emitted when a session begins without any session in the history.
    void newInstallDetected(const QString &firstSessionDate);

private:
    struct StoredSession {
        Timestamp startedAt;
        qint64 durationInSeconds = 0;
    };

    void updateSessionDuration();
    void persistCurrentSessionIfNeeded();
    void stopSessionTimer();
    void updateDistinctDaysUsed();
    void resignedActive();
    void becameActive();
    void storeSessions() const;

    const Clock &m_clock;
    KeyValueStore *m_defaults;
    QList<StoredSession> m_recentSessions;
    std::optional<Timestamp> m_currentSessionStartedAt;
    double m_currentSessionDuration = 0.0;
    QTimer m_durationTimer;
    std::optional<Timestamp> m_lastUpdatedAt;
};

} // namespace devnook
