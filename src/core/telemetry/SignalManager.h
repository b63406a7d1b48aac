#pragma once

#include "SignalCache.h"
#include "TelemetryManagerConfiguration.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class QNetworkReply;

namespace devnook {

class Clock;
class KeyValueStore;

// What the signal manager works with besides its configuration.
struct SignalManagerServices {
    const Clock &clock;
    // The client's own user defaults; none when it has none.
    KeyValueStore *customDefaults = nullptr;
    // The parameters every signal carries by default.
    std::function<TelemetryParameters()> defaultPayload;
    // Where unsent signals wait between runs.
    QString cacheFilePath;
};

// Turns signals into bodies, queues them in the cache and posts them to the
// ingest service in batches of up to 100, one batch at a time. After each
// attempt a one-shot timer waits the base interval, doubled for each failure
// in a row and capped; a drop status discards the batch, any other failure
// puts it back behind the signals queued meanwhile.
class SignalManager final : public QObject {
    Q_OBJECT

public:
    // The verdict on a server's answer: 2xx success, eight client and server
    // errors drop the batch, anything else retries.
    struct Disposition {
        enum class Kind { success, drop, retry };
        Kind kind;
        QString dropReason;
    };

    // Loads the cache and, once it is loaded, makes the first send attempt.
    SignalManager(std::shared_ptr<TelemetryManagerConfiguration> configuration,
                  SignalManagerServices services, QObject *parent = nullptr);
    ~SignalManager() override;

    // Builds the signal's body from the default payload, the enrichers and
    // the parameters (later ones win) and queues it.
    void processSignal(const QString &type, const TelemetryParameters &parameters,
                       std::optional<double> floatValue, const std::optional<QString> &customUserID);

    // Sends the oldest batch now; does nothing while a batch is in flight or
    // the cache is still loading.
    QCoro::Task<> attemptToSendNextBatchOfCachedSignals();

    // The configuration's default user, else the stored one, else a new one
    // (stored when the client has user defaults).
    QString defaultUserIdentifier();

    // Saves the unsent signals, the batch in flight first; nothing is sent
    // afterwards.
    void applicationWillTerminate();

    int cachedSignalCount() const { return m_cache.count(); }

    // The ingest URL: the base, "/", then "v2/namespace/<namespace>/" or
    // "v2/"; none when the base is not an http or https URL with a host.
    static std::optional<QUrl> serviceUrl(const QUrl &baseURL,
                                          const std::optional<QString> &telemetryNamespace);
    static Disposition disposition(int httpStatus);

Q_SIGNALS:
    // Emitted when a send attempt has ended and the next one is armed.
    void sendAttemptFinished();

private:
    QCoro::Task<> loadCacheAndStartSending();
    void scheduleNextTransmission();
    void handleSendSuccess();
    void handleSendFailure(const QList<QByteArray> &batch);
    void handleReply(QNetworkReply &reply, const QList<QByteArray> &batch);
    void log(LogHandler::LogLevel level, const QString &message) const;

    std::shared_ptr<TelemetryManagerConfiguration> m_configuration;
    SignalManagerServices m_services;
    SignalCache m_cache;
    QNetworkAccessManager m_network;
    QTimer m_sendTimer;
    QList<QByteArray> m_inFlight;
    QPointer<QNetworkReply> m_reply;
    int m_consecutiveFailures = 0;
    bool m_terminated = false;
};

} // namespace devnook
