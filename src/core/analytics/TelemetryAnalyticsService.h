#pragma once

#include "AnalyticsService.h"
#include "core/telemetry/Telemetry.h"

#include <QProcessEnvironment>
#include <QUrl>
#include <optional>

namespace devnook {

class AppSettings;
class KeyValueStore;

// Where the facade's set-up looks besides the build settings.
struct AnalyticsSetup {
    // "DEVNOOK_TELEMETRY_APP_ID" and "DEVNOOK_TELEMETRY_NAMESPACE" override the
    // build's values; with "XCTestConfigurationFilePath" nothing is ever set up.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The ingest service; the build's when none. Without a usable one no
    // telemetry client is ever set up.
    std::optional<QUrl> ingestBaseURL;
};

// The application's analytics facade over the telemetry client: five events,
// five allowed parameter keys, the user's consent, and a client set up at most
// once per process, and only when there is an ingest service to send to.
// Switching consent off stops new events; signals already handed to the
// client are still delivered.
class TelemetryAnalyticsService final : public AnalyticsService {
public:
    // Reads nothing from the settings before the first call.
    TelemetryAnalyticsService(const AppSettings &settings, KeyValueStore &defaults,
                              TelemetryEnvironment environment, AnalyticsSetup setup = {});

    void configureIfNeeded() override;
    void signal(AnalyticsEvent event, const QHash<QString, QString> &parameters) override;

    // The signal name of the event ("project-added"…).
    static QString rawValue(AnalyticsEvent event);
    // The first non-blank of the environment's value, the build's value and
    // the built-in identifier, trimmed.
    static QString configuredAppID(const QProcessEnvironment &environment);
    // The same for the namespace.
    static QString configuredNamespace(const QProcessEnvironment &environment);

    Telemetry &telemetry() { return m_telemetry; }

private:
    bool runsUnderTestRunner() const;
    // Whether an ingest URL can be built; logs one debug line when not.
    bool hasDestination();

    const AppSettings &m_settings;
    KeyValueStore &m_defaults;
    AnalyticsSetup m_setup;
    Telemetry m_telemetry;
    bool m_isInitialized = false;
    bool m_noDestinationReported = false;
};

} // namespace devnook
