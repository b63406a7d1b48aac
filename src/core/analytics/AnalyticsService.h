#pragma once

#include "core/projects/AnalyticsConfigurator.h"

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

// The application's analytics facade; the settings call configureIfNeeded
// when consent is given.
class AnalyticsService : public AnalyticsConfigurator {
public:
    // Sends the event with its allowed parameters when consent is given.
    virtual void signal(AnalyticsEvent event, const QHash<QString, QString> &parameters) = 0;
};

} // namespace devnook
