#pragma once

#include "TelemetryManagerConfiguration.h"
#include "core/foundation/Timestamp.h"

#include <QHash>
#include <QObject>
#include <optional>

namespace devnook {

class ApplicationActivity;
class Clock;

// The running duration signals by name. A signal started without background
// time has its start moved later by each inactive spell, so it measures
// active time only.
class DurationSignalTracker final : public QObject {
    Q_OBJECT

public:
    DurationSignalTracker(const Clock &clock, ApplicationActivity &activity, QObject *parent = nullptr);

    // Starts (or restarts) the signal's clock with its parameters.
    void startTracking(const QString &name, const TelemetryParameters &parameters,
                       bool includeBackgroundTime);

    struct Stopped {
        double durationInSeconds;
        TelemetryParameters parameters;
    };
    // Removes the signal and gives its duration and start parameters; none
    // when it is not running.
    std::optional<Stopped> stopTracking(const QString &name);

private:
    struct Started {
        Timestamp startTime;
        TelemetryParameters parameters;
        bool includeBackgroundTime;
    };

    void resignedActive();
    void becameActive();

    const Clock &m_clock;
    QHash<QString, Started> m_started;
    std::optional<Timestamp> m_lastEnteredBackground;
};

} // namespace devnook
