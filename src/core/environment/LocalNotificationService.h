#pragma once

#include "Notifier.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

class ProjectCommandService;

// Posts the desktop notifications about a project and acts on their clicks:
// a failure notification opens the project's logs, the others open the
// project's local URL.
class LocalNotificationService final : public QObject {
    Q_OBJECT

public:
    static inline const QString kURLKey = QStringLiteral("devnookURL");
    static inline const QString kLogsProjectIDKey = QStringLiteral("devnookLogsProjectID");

    LocalNotificationService(Notifier &notifier, ProjectCommandService &commands, QObject *parent = nullptr);

    // Called once at launch, before the first notification.
    void prepare();

    // The dev process answers at the URL; a click opens it.
    QCoro::Task<DeliveryResult> notifyDevProcessStarted(QString projectName, QString localhostURL);
    // The dev process runs and the project has no local URL.
    QCoro::Task<DeliveryResult> notifyDevProcessStartedWithoutURL(QString projectName);
    // The workspace answers at the URL; a click opens it.
    QCoro::Task<DeliveryResult> notifyWorkspaceReady(QString projectName, QString localhostURL);
    // The dev process failed; a click opens the project's logs.
    QCoro::Task<DeliveryResult> notifyDevProcessFailed(QString projectName, QUuid projectID);
    // The dev process never answered; a click opens the project's logs.
    QCoro::Task<DeliveryResult> notifyDevProcessReadinessFailed(QString projectName, QUuid projectID);
    // The workspace never answered; a click opens the project's logs.
    QCoro::Task<DeliveryResult> notifyWorkspaceFailed(QString projectName, QUuid projectID);

Q_SIGNALS:
    // Emitted when the user clicks a failure notification of the project.
    void openProjectLogsRequested(const QUuid &projectID);

private:
    QCoro::Task<DeliveryResult> deliver(QString identifierPrefix, QString title, QString body,
                                        std::optional<QString> urlString, std::optional<QUuid> logsProjectID);
    void handleClick(const QHash<QString, QString> &userInfo);

    Notifier &m_notifier;
    ProjectCommandService &m_commands;
};

} // namespace devnook
