#pragma once

namespace devnook {

// What the settings ask of analytics when the user gives consent. The
// analytics facade implements it, so the settings need not know the facade.
class AnalyticsConfigurator {
public:
    virtual ~AnalyticsConfigurator() = default;

    // Sets the telemetry client up once, when consent is given.
    virtual void configureIfNeeded() = 0;
};

} // namespace devnook
