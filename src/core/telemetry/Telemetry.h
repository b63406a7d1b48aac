#pragma once

#include "DurationSignalTracker.h"
#include "TelemetryManager.h"

#include <QObject>
#include <memory>

namespace devnook {

// The telemetry client's public face. Before initialize() there is no client:
// every operation does nothing, so nothing can touch the cache or begin a
// session before the app has set the client up.
class Telemetry final : public QObject {
    Q_OBJECT

public:
    // The application's termination saves the unsent signals.
    explicit Telemetry(TelemetryEnvironment environment, QObject *parent = nullptr);
    ~Telemetry() override;

    // Sets the client up with the configuration, replacing an earlier one.
    void initialize(std::shared_ptr<TelemetryManagerConfiguration> configuration);
    // Ends the client; later operations do nothing until the next initialize.
    void terminate();
    bool isInitialized() const { return m_manager != nullptr; }

    // Sends an application signal: the configured prefixes are applied and
    // reserved names are reported (the signal goes out all the same).
    void signal(const QString &name, const TelemetryParameters &parameters = {},
                std::optional<double> floatValue = std::nullopt,
                const std::optional<QString> &customUserID = std::nullopt);
    // Sends one of the client's own signals, with the default parameters.
    void internalSignal(const QString &name, const TelemetryParameters &parameters = {},
                        std::optional<double> floatValue = std::nullopt,
                        const std::optional<QString> &customUserID = std::nullopt);

    // Sends the cached signals 50 ms from now, at most once per transmit
    // interval.
    void requestImmediateSync();
    void updateDefaultUserID(std::optional<QString> user);
    // Begins a new session: the session manager's and "Telemetry.Session.started",
    // as the configuration allows.
    void generateNewSession();
    // The client's own user defaults; none before initialize.
    KeyValueStore *customDefaults();

    // Duration signals: the time from start to stop is sent under the name as
    // "Telemetry.Signal.durationInSeconds"; inactive time counts only when asked.
    void startDurationSignal(const QString &name, const TelemetryParameters &parameters = {},
                             bool includeBackgroundTime = false);
    void stopAndSendDurationSignal(const QString &name, const TelemetryParameters &parameters = {},
                                   std::optional<double> floatValue = std::nullopt,
                                   const std::optional<QString> &customUserID = std::nullopt);
    void cancelDurationSignal(const QString &name);

    // Reports a move between screen paths as "Telemetry.Navigation.pathChanged".
    void navigationPathChanged(const QString &from, const QString &to,
                               const std::optional<QString> &customUserID = std::nullopt);
    // The same from the destination of the previous move (empty at first).
    void navigationPathChanged(const QString &to, const std::optional<QString> &customUserID = std::nullopt);

    // Saves the unsent signals; connected to the application's termination.
    void applicationWillTerminate();

private:
    void reportReservedParameterKeys(const TelemetryParameters &parameters) const;
    QString prefixedParameterKey(const QString &key) const;

    TelemetryEnvironment m_environment;
    std::unique_ptr<TelemetryManager> m_manager;
    DurationSignalTracker m_durations;
    std::optional<QString> m_previousNavigationPath;
};

} // namespace devnook
