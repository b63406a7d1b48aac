#include "DurationSignalTracker.h"

#include "ApplicationActivity.h"
#include "core/foundation/Clock.h"

namespace devnook {

DurationSignalTracker::DurationSignalTracker(const Clock &clock, ApplicationActivity &activity,
                                             QObject *parent)
    : QObject(parent), m_clock(clock)
{
    connect(&activity, &ApplicationActivity::resignedActive, this, &DurationSignalTracker::resignedActive);
    connect(&activity, &ApplicationActivity::becameActive, this, &DurationSignalTracker::becameActive);
}

void DurationSignalTracker::startTracking(const QString &name, const TelemetryParameters &parameters,
                                          bool includeBackgroundTime)
{
    m_started.insert(name, {m_clock.now(), parameters, includeBackgroundTime});
}

std::optional<DurationSignalTracker::Stopped> DurationSignalTracker::stopTracking(const QString &name)
{
    const auto started = m_started.find(name);
    if (started == m_started.end())
        return std::nullopt;
    Stopped stopped{started->startTime.secondsTo(m_clock.now()), started->parameters};
    m_started.erase(started);
    return stopped;
}

void DurationSignalTracker::resignedActive()
{
    m_lastEnteredBackground = m_clock.now();
}

void DurationSignalTracker::becameActive()
{
    if (!m_lastEnteredBackground)
        return;
    const double inactive = m_lastEnteredBackground->secondsTo(m_clock.now());
    for (Started &started : m_started) {
        if (!started.includeBackgroundTime)
            started.startTime = started.startTime.addSeconds(inactive);
    }
    m_lastEnteredBackground.reset();
}

} // namespace devnook
