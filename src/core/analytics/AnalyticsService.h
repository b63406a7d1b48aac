#pragma once

#include <QHash>
#include <QString>

namespace devnook {

// The anonymous analytics events the application sends.
enum class AnalyticsEvent {
    projectAdded,
    processStarted,
    workspaceStarted,
    devicePreviewStarted,
    processStartFailed
};

// The application's analytics facade.
class AnalyticsService {
public:
    virtual ~AnalyticsService() = default;

    // Sets the telemetry client up once, when consent is given.
    virtual void configureIfNeeded() = 0;

    // Sends the event with its allowed parameters when consent is given.
    virtual void signal(AnalyticsEvent event, const QHash<QString, QString> &parameters) = 0;
};

} // namespace devnook
