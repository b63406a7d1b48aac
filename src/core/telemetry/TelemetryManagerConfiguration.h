#pragma once

#include "TelemetryLog.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <functional>
#include <optional>

namespace devnook {

using TelemetryParameters = QHash<QString, QString>;

// Extra parameters for every signal, from its name, custom user and number.
using SignalEnricher = std::function<TelemetryParameters(
    const QString &signalType, const std::optional<QString> &customUserID, std::optional<double> floatValue)>;

// Every setting of the telemetry client. One instance is shared by the client's
// parts, so a later change (a new session, another default user) is seen by
// all. The session and the default user may change while others read them:
// they sit behind a lock and readers get copies.
class TelemetryManagerConfiguration final : public QObject {
    Q_OBJECT

public:
    // An empty salt when none is given; the build's ingest endpoint when no
    // base URL is given. The session is a fresh random one.
    explicit TelemetryManagerConfiguration(QString appID, std::optional<QString> salt = std::nullopt,
                                           std::optional<QUrl> baseURL = std::nullopt,
                                           std::optional<QString> telemetryNamespace = std::nullopt);

    // The ingest base URL this build names (CMake's DEVNOOK_TELEMETRY_BASE_URL);
    // empty when the build names none, and then nothing is ever sent.
    static QUrl defaultBaseURL();

    const QString telemetryAppID;
    const QUrl apiBaseURL;
    const std::optional<QString> telemetryNamespace;
    const QString salt;

    // The user of signals that name none.
    std::optional<QString> defaultUser() const;
    void setDefaultUser(std::optional<QString> user);

    // The current session. Every assignment after construction, even of the
    // same value, begins a session: the session manager's when
    // sessionStatsEnabled, then "Telemetry.Session.started" when
    // sendNewSessionBeganSignal.
    QUuid sessionID() const;
    void setSessionID(QUuid sessionID);

    // True while the run is a preview ("XCODE_RUNNING_FOR_PREVIEWS" is "1"),
    // unless set; every signal is then dropped.
    bool swiftUIPreviewMode() const;
    void setSwiftUIPreviewMode(bool previewMode);

    // A second name for sendSignalsInDebugConfiguration.
    bool telemetryAllowDebugBuilds() const { return sendSignalsInDebugConfiguration; }
    void setTelemetryAllowDebugBuilds(bool allow) { sendSignalsInDebugConfiguration = allow; }

    std::optional<QString> defaultSignalPrefix;
    // Put before every parameter key that does not begin with "Telemetry.".
    std::optional<QString> defaultParameterPrefix;
    // Called for every signal; callable from any thread.
    std::function<TelemetryParameters()> defaultParameters = [] { return TelemetryParameters(); };
    bool sendNewSessionBeganSignal = true;
    // The session batches are posted through; the client's own when none.
    QPointer<QNetworkAccessManager> urlSession;
    // The most unsent signals kept.
    int cacheLimit = 10000;
    // Seconds between send attempts, and the least spacing of early sends.
    double transmitInterval = 10.0;
    // The longest wait between send attempts, in seconds.
    double maxBackoffInterval = 300.0;
    // Kept for hosts that read it; every signal is queued whatever the build.
    bool sendSignalsInDebugConfiguration = false;
    // Written into every signal body as "isTestMode".
    bool testMode = false;
    // Drops every signal, the client's own included.
    bool analyticsDisabled = false;
    bool reservedParameterWarningsEnabled = true;
    // Reports each new session to the session manager.
    bool sessionStatsEnabled = true;
    // Kept for hosts that read it; the log handler's level decides what is logged.
    bool showDebugLogs = false;
    std::optional<LogHandler> logHandler = LogHandler::standard(LogHandler::LogLevel::info);
    QList<SignalEnricher> metadataEnrichers;

Q_SIGNALS:
    // Emitted after a session identifier has been assigned.
    void sessionIDAssigned();

private:
    mutable QMutex m_lock;
    std::optional<QString> m_defaultUser;
    QUuid m_sessionID;
    std::optional<bool> m_swiftUIPreviewMode;
};

} // namespace devnook
