#include "TelemetryManagerConfiguration.h"

#include "TelemetryBuildSettings.h"

namespace devnook {

TelemetryManagerConfiguration::TelemetryManagerConfiguration(QString appID, std::optional<QString> salt,
                                                             std::optional<QUrl> baseURL,
                                                             std::optional<QString> telemetryNamespace)
    : telemetryAppID(std::move(appID)), apiBaseURL(baseURL ? *baseURL : defaultBaseURL()),
      telemetryNamespace(std::move(telemetryNamespace)), salt(salt.value_or(QString())),
      m_sessionID(QUuid::createUuid())
{}

QUrl TelemetryManagerConfiguration::defaultBaseURL()
{
    return QUrl(QString::fromUtf8(TelemetryBuildSettings::kIngestBaseURL), QUrl::StrictMode);
}

std::optional<QString> TelemetryManagerConfiguration::defaultUser() const
{
    const QMutexLocker locker(&m_lock);
    return m_defaultUser;
}

void TelemetryManagerConfiguration::setDefaultUser(std::optional<QString> user)
{
    const QMutexLocker locker(&m_lock);
    m_defaultUser = std::move(user);
}

QUuid TelemetryManagerConfiguration::sessionID() const
{
    const QMutexLocker locker(&m_lock);
    return m_sessionID;
}

void TelemetryManagerConfiguration::setSessionID(QUuid sessionID)
{
    {
        const QMutexLocker locker(&m_lock);
        m_sessionID = sessionID;
    }
    Q_EMIT sessionIDAssigned();
}

bool TelemetryManagerConfiguration::swiftUIPreviewMode() const
{
    if (m_swiftUIPreviewMode)
        return *m_swiftUIPreviewMode;
    return qEnvironmentVariable("XCODE_RUNNING_FOR_PREVIEWS") == u"1";
}

void TelemetryManagerConfiguration::setSwiftUIPreviewMode(bool previewMode)
{
    m_swiftUIPreviewMode = previewMode;
}

} // namespace devnook
