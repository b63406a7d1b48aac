#include "DevicePreviewReachabilityProbe.h"

#include <QCoroNetworkReply>
#include <QNetworkProxy>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace devnook {

using Kind = DevicePreviewFailureReason::Kind;

DevicePreviewReachabilityProbe::DevicePreviewReachabilityProbe(std::chrono::milliseconds timeout,
                                                               QObject *parent)
    : QObject(parent), m_timeout(timeout)
{
    // The probe must take the path a device takes, not a system proxy's.
    m_network.setProxy(QNetworkProxy::NoProxy);
}

QCoro::Task<DevicePreviewReachability>
DevicePreviewReachabilityProbe::reachability(DevicePreviewCandidate candidate)
{
    QNetworkRequest request(candidate.url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("User-Agent", "Devnook-Device-Preview");

    const QPointer<QNetworkReply> reply = m_network.get(request);
    const auto cleanup = qScopeGuard([reply] {
        if (reply)
            reply->deleteLater();
    });
    std::optional<int> status;
    std::optional<QString> proxyError;
    bool timedOut = false;
    // The status and headers are all a probe reads; the body is not waited for.
    connect(reply, &QNetworkReply::metaDataChanged, reply, [&status, &proxyError, reply = reply.data()] {
        const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!code.isValid())
            return;
        status = code.toInt();
        if (reply->hasRawHeader("X-Devnook-Proxy-Error"))
            proxyError = QString::fromUtf8(reply->rawHeader("X-Devnook-Proxy-Error"));
        // Not from inside the reply's own signal, which Qt does not expect.
        QMetaObject::invokeMethod(
            reply,
            [reply] {
                if (!reply->isFinished())
                    reply->abort();
            },
            Qt::QueuedConnection);
    });
    QTimer::singleShot(m_timeout, reply, [&timedOut, reply = reply.data()] {
        timedOut = true;
        reply->abort();
    });
    co_await reply.data();
    if (!reply)
        co_return DevicePreviewReachability::unavailable(DevicePreviewFailureReason::of(Kind::network));
    // The proxy's own failure names its cause, whatever the status.
    if (status && proxyError)
        co_return DevicePreviewReachability::unavailable(proxyFailureReason(*proxyError));
    if (status)
        co_return *status < 500
            ? DevicePreviewReachability::available()
            : DevicePreviewReachability::unavailable(DevicePreviewFailureReason::httpStatus(*status));
    co_return DevicePreviewReachability::unavailable(failureReason(reply->error(), timedOut));
}

DevicePreviewFailureReason DevicePreviewReachabilityProbe::proxyFailureReason(const QString &identifier)
{
    if (identifier == u"timeout")
        return DevicePreviewFailureReason::of(Kind::timeout);
    if (identifier == u"connection-refused")
        return DevicePreviewFailureReason::of(Kind::connectionRefused);
    if (identifier == u"secure-connection-failed")
        return DevicePreviewFailureReason::of(Kind::secureConnectionFailed);
    if (identifier == u"local-service-unavailable")
        return DevicePreviewFailureReason::of(Kind::localServiceUnavailable);
    return DevicePreviewFailureReason::of(Kind::network);
}

DevicePreviewFailureReason DevicePreviewReachabilityProbe::failureReason(QNetworkReply::NetworkError error,
                                                                         bool timedOut)
{
    if (timedOut || error == QNetworkReply::TimeoutError)
        return DevicePreviewFailureReason::of(Kind::timeout);
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
        return DevicePreviewFailureReason::of(Kind::connectionRefused);
    case QNetworkReply::SslHandshakeFailedError:
        return DevicePreviewFailureReason::of(Kind::secureConnectionFailed);
    default:
        return DevicePreviewFailureReason::of(Kind::network);
    }
}

} // namespace devnook
