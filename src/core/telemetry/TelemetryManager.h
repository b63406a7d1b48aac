#pragma once

#include "DefaultSignalPayload.h"
#include "TelemetryManagerConfiguration.h"
#include "core/foundation/KeyValueStore.h"

#include <QObject>
#include <QTimer>
#include <memory>

namespace devnook {

class ApplicationActivity;
class Clock;
class DisplayFacts;
class SessionManager;
class SignalManager;

// What the telemetry client needs from its surroundings.
struct TelemetryEnvironment {
    const Clock &clock;
    ApplicationActivity &activity;
    const DisplayFacts &display;
    SystemFacts system;
    // The folder of the client's own settings file.
    QString settingsFolder;
    // The file of unsent signals between runs.
    QString cacheFilePath;
};

// The one live telemetry client of a configuration: its own user defaults,
// the signal manager and the session manager. The first session begins half a
// second after it is made.
class TelemetryManager final : public QObject {
    Q_OBJECT

public:
    TelemetryManager(std::shared_ptr<TelemetryManagerConfiguration> configuration,
                     const TelemetryEnvironment &environment, QObject *parent = nullptr);
    ~TelemetryManager() override;

    // "com.devnook.telemetry." and the last 12 hexadecimal characters of the
    // app ID's SHA-256: the name of the client's own settings for the app.
    static QString customDefaultsName(const QString &appID);

    TelemetryManagerConfiguration &configuration() const { return *m_configuration; }
    KeyValueStore &customDefaults() { return m_customDefaults; }
    SignalManager &signalManager() const { return *m_signalManager; }
    SessionManager &sessionManager() const { return *m_sessionManager; }

    // The default payload with the retention figures.
    TelemetryParameters defaultPayload() const;

    // True at most once per transmit interval; stamps the time when true.
    bool allowImmediateSync();

Q_SIGNALS:
    // Emitted when the first session is due.
    void firstSessionDue();

private:
    std::shared_ptr<TelemetryManagerConfiguration> m_configuration;
    const TelemetryEnvironment &m_environment;
    SettingsKeyValueStore m_customDefaults;
    std::unique_ptr<SessionManager> m_sessionManager;
    std::unique_ptr<SignalManager> m_signalManager;
    QTimer m_firstSessionTimer;
    std::optional<Timestamp> m_lastTimeImmediateSyncRequested;
};

} // namespace devnook
