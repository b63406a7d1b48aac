#include "LocalNotificationService.h"

#include "ProjectCommandService.h"
#include "core/foundation/L10n.h"
#include "core/foundation/UuidText.h"
#include "core/projects/URLNormalizationService.h"

using namespace Qt::StringLiterals;

namespace devnook {

LocalNotificationService::LocalNotificationService(Notifier &notifier, ProjectCommandService &commands,
                                                   QObject *parent)
    : QObject(parent), m_notifier(notifier), m_commands(commands)
{
    connect(&m_notifier, &Notifier::clicked, this, &LocalNotificationService::handleClick);
}

void LocalNotificationService::prepare()
{
    m_notifier.prepare();
}

// The arguments are built before co_await: GCC 12 cannot keep an
// initializer list alive across a suspension point.
QCoro::Task<DeliveryResult> LocalNotificationService::notifyDevProcessStarted(QString projectName,
                                                                              QString localhostURL)
{
    QString title = L10n::format(u"dev_process_started_notification_title"_s, {projectName});
    QString body = L10n::format(u"dev_process_started_notification_body"_s, {localhostURL});
    co_return co_await deliver(u"dev-started"_s, std::move(title), std::move(body), localhostURL,
                               std::nullopt);
}

QCoro::Task<DeliveryResult> LocalNotificationService::notifyDevProcessStartedWithoutURL(QString projectName)
{
    QString title = L10n::format(u"dev_process_started_notification_title"_s, {projectName});
    QString body = L10n::text(u"dev_process_started_notification_body_no_url"_s);
    co_return co_await deliver(u"dev-started"_s, std::move(title), std::move(body), std::nullopt,
                               std::nullopt);
}

QCoro::Task<DeliveryResult> LocalNotificationService::notifyWorkspaceReady(QString projectName,
                                                                           QString localhostURL)
{
    QString title = L10n::format(u"workspace_ready_notification_title"_s, {projectName});
    QString body = L10n::format(u"workspace_ready_notification_body"_s, {localhostURL});
    co_return co_await deliver(u"workspace-ready"_s, std::move(title), std::move(body), localhostURL,
                               std::nullopt);
}

QCoro::Task<DeliveryResult> LocalNotificationService::notifyDevProcessFailed(QString projectName,
                                                                             QUuid projectID)
{
    QString title = L10n::format(u"project_error_notification_title"_s, {projectName});
    QString body = L10n::text(u"dev_process_failed_notification_body"_s);
    co_return co_await deliver(u"dev-failed"_s, std::move(title), std::move(body), std::nullopt, projectID);
}

QCoro::Task<DeliveryResult> LocalNotificationService::notifyDevProcessReadinessFailed(QString projectName,
                                                                                      QUuid projectID)
{
    QString title = L10n::format(u"project_error_notification_title"_s, {projectName});
    QString body = L10n::text(u"dev_process_readiness_failed_notification_body"_s);
    co_return co_await deliver(u"dev-readiness-failed"_s, std::move(title), std::move(body), std::nullopt,
                               projectID);
}

QCoro::Task<DeliveryResult> LocalNotificationService::notifyWorkspaceFailed(QString projectName,
                                                                            QUuid projectID)
{
    QString title = L10n::format(u"project_error_notification_title"_s, {projectName});
    QString body = L10n::text(u"workspace_failed_notification_body"_s);
    co_return co_await deliver(u"workspace-failed"_s, std::move(title), std::move(body), std::nullopt,
                               projectID);
}

QCoro::Task<DeliveryResult> LocalNotificationService::deliver(QString identifierPrefix, QString title,
                                                              QString body, std::optional<QString> urlString,
                                                              std::optional<QUuid> logsProjectID)
{
    NotificationRequest request{identifierPrefix + u'-' + UuidText::format(QUuid::createUuid()),
                                std::move(title),
                                std::move(body),
                                {}};
    if (urlString) {
        const QString url = URLNormalizationService::normalized(*urlString);
        if (!url.isEmpty())
            request.userInfo.insert(kURLKey, url);
    }
    if (logsProjectID)
        request.userInfo.insert(kLogsProjectIDKey, UuidText::format(*logsProjectID));
    co_return co_await m_notifier.deliver(std::move(request));
}

void LocalNotificationService::handleClick(const QHash<QString, QString> &userInfo)
{
    // A failure notification opens the logs even when it also carries a URL.
    if (const auto it = userInfo.constFind(kLogsProjectIDKey); it != userInfo.cend()) {
        if (const auto projectID = UuidText::parse(*it))
            Q_EMIT openProjectLogsRequested(*projectID);
        return;
    }
    if (const auto it = userInfo.constFind(kURLKey); it != userInfo.cend())
        m_commands.openURL(*it);
}

} // namespace devnook
