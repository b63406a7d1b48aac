#pragma once

#include "DevicePreviewRecords.h"

#include <QCoro/QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <chrono>

namespace devnook {

// Fetches a LAN URL from this machine, through the same address and proxy a
// device would use, and says whether it answers usefully.
class DevicePreviewReachabilityProbe : public QObject {
    Q_OBJECT

public:
    explicit DevicePreviewReachabilityProbe(std::chrono::milliseconds timeout = std::chrono::seconds(4),
                                            QObject *parent = nullptr);

    // available for an answer below 500 without the proxy's error header;
    // unavailable with the proxy's reason, the status, or the failure
    // otherwise. Redirects are answers; never fails. Probes may overlap.
    QCoro::Task<DevicePreviewReachability> reachability(DevicePreviewCandidate candidate);

    // The reason behind the proxy's "X-Devnook-Proxy-Error" identifier; network for an unknown one.
    static DevicePreviewFailureReason proxyFailureReason(const QString &identifier);
    // The reason behind a failed probe.
    static DevicePreviewFailureReason failureReason(QNetworkReply::NetworkError error, bool timedOut);

private:
    std::chrono::milliseconds m_timeout;
    QNetworkAccessManager m_network;
};

} // namespace devnook
