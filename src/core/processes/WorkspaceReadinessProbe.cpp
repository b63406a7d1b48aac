// The HTTP side of the readiness wait: one probe of one address.
#include "WorkspaceReadinessService.h"
#include "core/foundation/Wakeup.h"

#include <QDeadlineTimer>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

bool isAnswer(const std::optional<int> &status)
{
    return status && *status >= 200 && *status <= 499;
}

} // namespace

QCoro::Task<bool> WorkspaceReadinessService::responds(QString urlText)
{
    const QUrl url(urlText, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    // Only a web server can be ready; other schemes would reach files or
    // other handlers of the network layer.
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        co_return false;
    QPointer<WorkspaceReadinessService> self(this);
    const std::optional<int> headStatus = co_await statusFromAnyLoopback(url, true);
    if (!self)
        co_return false;
    if (headStatus)
        co_return isAnswer(headStatus);
    // Some servers drop HEAD; an HTTP status of any kind, even 405 or 503,
    // means the server did answer and its status stands.
    co_return isAnswer(co_await statusFromAnyLoopback(url, false));
}

// "localhost" may mean 127.0.0.1 or ::1, and a dev server often listens on
// only one of them, whatever the resolver says first; both get their turn
// within the one request's time.
QCoro::Task<std::optional<int>> WorkspaceReadinessService::statusFromAnyLoopback(QUrl url, bool useHead)
{
    const QDeadlineTimer deadline(m_requestTimeout);
    if (url.host().compare(u"localhost", Qt::CaseInsensitive) != 0)
        co_return co_await requestStatus(url, QString(), useHead, deadline);

    const QString hostHeader = url.port() >= 0 ? url.host() + u':' + QString::number(url.port()) : url.host();
    QPointer<WorkspaceReadinessService> self(this);
    for (const QString &address : {u"127.0.0.1"_s, u"::1"_s}) {
        if (deadline.hasExpired())
            break;
        QUrl target = url;
        target.setHost(address);
        const std::optional<int> status = co_await requestStatus(target, hostHeader, useHead, deadline);
        if (!self || status)
            co_return status;
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<int>>
WorkspaceReadinessService::requestStatus(QUrl url, QString hostHeader, bool useHead, QDeadlineTimer deadline)
{
    QNetworkRequest request(url);
    // No stored answer may stand in for the server.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // A redirect is an answer of the server itself.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!hostHeader.isEmpty())
        request.setRawHeader("Host", hostHeader.toLatin1());

    const QPointer<QNetworkReply> reply = useHead ? m_network.head(request) : m_network.get(request);
    const auto cleanup = qScopeGuard([reply] {
        if (reply)
            reply->deleteLater();
    });
    // The status line is all a probe needs, so no body is waited for. The
    // reply is not aborted: Qt ends a reply of an error status itself, and an
    // abort before that ends it twice. Deleting it stops the request quietly.
    Wakeup answered;
    connect(reply, &QNetworkReply::metaDataChanged, &answered, &Wakeup::wake);
    connect(reply, &QNetworkReply::finished, &answered, &Wakeup::wake);
    // The bound also ends a request to a server that accepts and never answers.
    co_await answered.wait(std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())));
    if (!reply)
        co_return std::nullopt;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    co_return status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt;
}

} // namespace devnook
