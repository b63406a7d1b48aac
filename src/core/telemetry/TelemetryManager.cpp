#include "TelemetryManager.h"

#include "CryptoHashing.h"
#include "SessionManager.h"
#include "SignalManager.h"
#include "TelemetryCoding.h"
#include "core/foundation/Clock.h"

#include <chrono>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr auto kFirstSessionDelay = std::chrono::milliseconds(500);

} // namespace

TelemetryManager::TelemetryManager(std::shared_ptr<TelemetryManagerConfiguration> configuration,
                                   const TelemetryEnvironment &environment, QObject *parent)
    : QObject(parent), m_configuration(std::move(configuration)), m_environment(environment),
      m_customDefaults(environment.settingsFolder + u'/' +
                       customDefaultsName(m_configuration->telemetryAppID) + u".conf"_s),
      m_sessionManager(
          std::make_unique<SessionManager>(environment.clock, &m_customDefaults, environment.activity)),
      m_signalManager(std::make_unique<SignalManager>(
          m_configuration,
          SignalManagerServices{environment.clock, &m_customDefaults, [this] { return defaultPayload(); },
                                environment.cacheFilePath},
          this)),
      m_firstSessionTimer(this)
{
    m_firstSessionTimer.setObjectName(u"telemetryFirstSessionTimer"_s);
    m_firstSessionTimer.setSingleShot(true);
    connect(&m_firstSessionTimer, &QTimer::timeout, this, &TelemetryManager::firstSessionDue);
    m_firstSessionTimer.start(kFirstSessionDelay);
}

TelemetryManager::~TelemetryManager() = default;

QString TelemetryManager::customDefaultsName(const QString &appID)
{
    return u"com.devnook.telemetry."_s + CryptoHashing::sha256(appID, QString()).right(12);
}

TelemetryParameters TelemetryManager::defaultPayload() const
{
    const Timestamp now = m_environment.clock.now();
    return TelemetryCoding::merged(DefaultSignalPayload::parameters(m_environment.system,
                                                                    m_environment.display, now, QLocale(),
                                                                    QLocale::system().uiLanguages()),
                                   m_sessionManager->retentionParameters());
}

bool TelemetryManager::allowImmediateSync()
{
    const Timestamp now = m_environment.clock.now();
    if (m_lastTimeImmediateSyncRequested &&
        m_lastTimeImmediateSyncRequested->secondsTo(now) <= m_configuration->transmitInterval)
        return false;
    m_lastTimeImmediateSyncRequested = now;
    return true;
}

} // namespace devnook
