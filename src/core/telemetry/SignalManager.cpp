#include "SignalManager.h"

#include "CryptoHashing.h"
#include "TelemetryCoding.h"
#include "core/foundation/Clock.h"
#include "core/foundation/KeyValueStore.h"
#include "core/foundation/UuidText.h"

#include <QCoroFuture>
#include <QCoroNetworkReply>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <chrono>
#include <cmath>

using namespace Qt::StringLiterals;
using Level = devnook::LogHandler::LogLevel;

namespace devnook {

namespace {

const QString kDefaultUserIdentifierKey = u"defaultUserIdentifier"_s;
constexpr int kRequestTimeoutMs = 60'000;

} // namespace

SignalManager::SignalManager(std::shared_ptr<TelemetryManagerConfiguration> configuration,
                             SignalManagerServices services, QObject *parent)
    : QObject(parent), m_configuration(std::move(configuration)), m_services(std::move(services)),
      m_cache(m_configuration->swiftUIPreviewMode() ? std::nullopt : m_configuration->logHandler,
              m_configuration->cacheLimit, m_services.cacheFilePath, m_services.clock),
      m_sendTimer(this)
{
    m_sendTimer.setObjectName(u"telemetrySendTimer"_s);
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, [this] { attemptToSendNextBatchOfCachedSignals(); });
    loadCacheAndStartSending();
}

QCoro::Task<> SignalManager::loadCacheAndStartSending()
{
    const QPointer<SignalManager> self(this);
    co_await m_cache.loading();
    if (!self || m_terminated)
        co_return;
    m_cache.takeInLoaded();
    attemptToSendNextBatchOfCachedSignals();
}

SignalManager::~SignalManager()
{
    // The pending attempt resumes inside abort() and must find the manager
    // gone.
    m_terminated = true;
    if (m_reply)
        m_reply->abort();
}

void SignalManager::log(Level level, const QString &message) const
{
    telemetryLog(m_configuration->logHandler, level, message);
}

void SignalManager::processSignal(const QString &type, const TelemetryParameters &parameters,
                                  std::optional<double> floatValue,
                                  const std::optional<QString> &customUserID)
{
    TelemetryParameters enrichments;
    for (const SignalEnricher &enricher : std::as_const(m_configuration->metadataEnrichers))
        enrichments =
            TelemetryCoding::merged(std::move(enrichments), enricher(type, customUserID, floatValue));
    TelemetryParameters payload = TelemetryCoding::merged(
        TelemetryCoding::merged(m_services.defaultPayload(), enrichments), parameters);
    // JSON has no form for them; one would spoil the whole batch and cache file.
    if (floatValue && !std::isfinite(*floatValue)) {
        log(Level::error, u"Dropping the non-finite number of signal "_s + type);
        floatValue.reset();
    }
    const SignalPostBody body{
        m_services.clock.now(),
        m_configuration->telemetryAppID,
        CryptoHashing::sha256(customUserID ? *customUserID : defaultUserIdentifier(), m_configuration->salt),
        UuidText::format(m_configuration->sessionID()),
        type,
        floatValue,
        std::move(payload),
        m_configuration->testMode};
    log(Level::debug,
        u"Process signal: "_s +
            QString::fromUtf8(QJsonDocument(body.toRequestJson()).toJson(QJsonDocument::Indented)));
    m_cache.push(body);
}

QString SignalManager::defaultUserIdentifier()
{
    if (auto user = m_configuration->defaultUser())
        return *user;
    KeyValueStore *defaults = m_services.customDefaults;
    if (defaults && !defaults->stringValue(kDefaultUserIdentifierKey).isEmpty())
        return defaults->stringValue(kDefaultUserIdentifierKey);
    const QString identifier = UuidText::format(QUuid::createUuid());
    if (defaults)
        defaults->setValue(kDefaultUserIdentifierKey, identifier);
    return identifier;
}

QCoro::Task<> SignalManager::attemptToSendNextBatchOfCachedSignals()
{
    if (m_reply || m_terminated || !m_cache.isLoaded())
        co_return;
    log(Level::debug, u"Current signal cache count: %1"_s.arg(m_cache.count()));
    const QList<QByteArray> batch = m_cache.pop();
    if (batch.isEmpty()) {
        handleSendSuccess();
        co_return;
    }
    log(Level::info,
        u"Sending %1 signals leaving a cache of %2 signals"_s.arg(batch.size()).arg(m_cache.count()));
    const auto url = serviceUrl(m_configuration->apiBaseURL, m_configuration->telemetryNamespace);
    if (!url) {
        log(Level::error, u"Unable to construct signal API URL for namespace "_s +
                              m_configuration->telemetryNamespace.value_or(u"nil"_s));
        log(Level::error, u"Invalid endpoint URL"_s);
        handleSendFailure(batch);
        co_return;
    }
    QList<SignalPostBody> bodies;
    for (const QByteArray &signal : batch) {
        if (auto body = SignalPostBody::fromCacheBytes(signal))
            bodies.append(std::move(*body));
    }
    const QByteArray bytes = encodeRequestBatch(bodies);
    QNetworkRequest request(*url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    request.setTransferTimeout(kRequestTimeoutMs);
    // Signals go to the named host only, and no stored answer may stand in
    // for the service's.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    log(Level::debug, QString::fromUtf8(bytes));

    m_inFlight = batch;
    QNetworkAccessManager *session =
        m_configuration->urlSession ? m_configuration->urlSession.get() : &m_network;
    m_reply = session->post(request, bytes);
    const QPointer<QNetworkReply> reply = m_reply;
    const QPointer<SignalManager> self(this);
    co_await reply.data();
    if (!self || m_terminated || !reply)
        co_return;
    reply->deleteLater();
    m_reply = nullptr;
    m_inFlight.clear();
    handleReply(*reply, batch);
}

void SignalManager::handleReply(QNetworkReply &reply, const QList<QByteArray> &batch)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        log(Level::error, reply.errorString());
        handleSendFailure(batch);
        return;
    }
    const Disposition verdict = disposition(status.toInt());
    switch (verdict.kind) {
    case Disposition::Kind::success:
        log(Level::debug, QString::fromUtf8(reply.readAll()));
        handleSendSuccess();
        break;
    case Disposition::Kind::drop:
        log(Level::error,
            u"Dropping %1 signal(s): rejected by server %2"_s.arg(batch.size()).arg(verdict.dropReason));
        handleSendSuccess();
        break;
    case Disposition::Kind::retry:
        log(Level::debug, u"Failed to send events (status %1), will try again later"_s.arg(status.toInt()));
        handleSendFailure(batch);
        break;
    }
}

void SignalManager::handleSendSuccess()
{
    m_consecutiveFailures = 0;
    scheduleNextTransmission();
}

void SignalManager::handleSendFailure(const QList<QByteArray> &batch)
{
    m_cache.push(batch);
    ++m_consecutiveFailures;
    scheduleNextTransmission();
}

void SignalManager::scheduleNextTransmission()
{
    // In floating point and capped, so no count of failures can overflow it.
    const double seconds = std::min(m_configuration->transmitInterval * std::pow(2.0, m_consecutiveFailures),
                                    m_configuration->maxBackoffInterval);
    m_sendTimer.start(std::chrono::milliseconds(qint64(std::max(0.0, seconds) * 1000.0)));
    Q_EMIT sendAttemptFinished();
}

void SignalManager::applicationWillTerminate()
{
    log(Level::debug, u"appWillTerminate()"_s);
    if (m_terminated)
        return;
    if (m_cache.backupCache(m_inFlight)) {
        m_terminated = true;
        m_sendTimer.stop();
    }
}

std::optional<QUrl> SignalManager::serviceUrl(const QUrl &baseURL,
                                              const std::optional<QString> &telemetryNamespace)
{
    QString text = baseURL.toString();
    if (!text.endsWith(u'/'))
        text += u'/';
    text += telemetryNamespace && !telemetryNamespace->isEmpty()
                ? u"v2/namespace/"_s + *telemetryNamespace + u'/'
                : u"v2/"_s;
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return std::nullopt;
    return url;
}

SignalManager::Disposition SignalManager::disposition(int httpStatus)
{
    using Kind = Disposition::Kind;
    static const QHash<int, QString> dropReasons{
        {400, u"Bad Request (400)"_s},       {401, u"Unauthorized (401)"_s},
        {403, u"Forbidden (403)"_s},         {404, u"Not Found (404)"_s},
        {413, u"Payload Too Large (413)"_s}, {422, u"Unprocessable Entity (422)"_s},
        {501, u"Not Implemented (501)"_s},   {505, u"HTTP Version Not Supported (505)"_s},
    };
    if (httpStatus >= 200 && httpStatus <= 299)
        return {Kind::success, QString()};
    if (dropReasons.contains(httpStatus))
        return {Kind::drop, dropReasons.value(httpStatus)};
    return {Kind::retry, QString()};
}

} // namespace devnook
