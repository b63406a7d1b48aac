#include "WorkspaceReadinessService.h"

#include "PortInspectionService.h"
#include "core/projects/URLNormalizationService.h"

#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QNetworkProxy>
#include <QPointer>
#include <chrono>

using namespace Qt::StringLiterals;

namespace devnook {

WorkspaceReadinessService::WorkspaceReadinessService(std::chrono::milliseconds timeout,
                                                     std::chrono::milliseconds pollInterval,
                                                     std::chrono::milliseconds requestTimeout,
                                                     QObject *parent)
    : QObject(parent), m_timeout(timeout), m_pollInterval(pollInterval), m_requestTimeout(requestTimeout)
{
    // A proxy from the environment must not answer for a local server.
    m_network.setProxy(QNetworkProxy::NoProxy);
}

QList<WorkspaceReadyEndpoint>
WorkspaceReadinessService::availableCandidates(const QList<WorkspaceReadyEndpoint> &candidates,
                                               const QSet<int> &excludedPorts)
{
    QList<WorkspaceReadyEndpoint> available;
    QSet<QString> seen;
    for (const WorkspaceReadyEndpoint &candidate : candidates) {
        const QString url = URLNormalizationService::normalized(candidate.url);
        if (url.isEmpty() || seen.contains(url))
            continue;
        if (const std::optional<int> port = PortInspectionService::tcpPort(url);
            port && excludedPorts.contains(*port))
            continue;
        seen.insert(url);
        available.append(WorkspaceReadyEndpoint{url, candidate.serviceID, candidate.serviceName});
    }
    return available;
}

QCoro::Task<std::optional<WorkspaceReadyEndpoint>>
WorkspaceReadinessService::waitUntilReadyEndpoint(QString configuredURL, QSet<int> excludedPorts,
                                                  CandidateSource additionalCandidates,
                                                  StillWanted stillWanted)
{
    const QString url = URLNormalizationService::normalized(configuredURL);
    if (url.isEmpty())
        co_return std::nullopt;
    // Monotonic, so a change of the wall clock cannot end or stretch the wait.
    const QDeadlineTimer deadline(m_timeout);
    const std::optional<int> configuredPort = PortInspectionService::tcpPort(url);
    const bool configuredPortExcluded = configuredPort && excludedPorts.contains(*configuredPort);
    const auto wanted = [&stillWanted] { return !stillWanted || stillWanted(); };
    const auto currentCandidates = [&additionalCandidates, &excludedPorts] {
        return additionalCandidates ? availableCandidates(additionalCandidates(), excludedPorts)
                                    : QList<WorkspaceReadyEndpoint>();
    };
    QPointer<WorkspaceReadinessService> self(this);

    while (wanted()) {
        if (configuredPortExcluded) {
            if (deadline.hasExpired())
                co_return std::nullopt;
            std::optional<WorkspaceReadyEndpoint> found =
                co_await firstRespondingCandidate(currentCandidates(), stillWanted);
            if (!self || found)
                co_return found;
        } else {
            if (deadline.hasExpired())
                co_return co_await firstRespondingCandidate(currentCandidates(), stillWanted);
            const bool answered = co_await responds(url);
            if (!self)
                co_return std::nullopt;
            if (answered)
                co_return WorkspaceReadyEndpoint{url, std::nullopt, std::nullopt};
        }
        co_await QCoro::sleepFor(m_pollInterval);
        if (!self)
            co_return std::nullopt;
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<WorkspaceReadyEndpoint>>
WorkspaceReadinessService::firstRespondingCandidate(QList<WorkspaceReadyEndpoint> candidates,
                                                    StillWanted stillWanted)
{
    QPointer<WorkspaceReadinessService> self(this);
    QSet<QString> seen;
    for (const WorkspaceReadyEndpoint &candidate : candidates) {
        if (stillWanted && !stillWanted())
            co_return std::nullopt;
        const QString url = URLNormalizationService::normalized(candidate.url);
        if (url.isEmpty() || seen.contains(url))
            continue;
        seen.insert(url);
        const bool answered = co_await responds(url);
        if (!self)
            co_return std::nullopt;
        if (answered)
            co_return WorkspaceReadyEndpoint{url, candidate.serviceID, candidate.serviceName};
    }
    co_return std::nullopt;
}

} // namespace devnook
