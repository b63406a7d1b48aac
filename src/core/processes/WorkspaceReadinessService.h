#pragma once

#include "WorkspaceReadyEndpoint.h"

#include <QCoroTask>
#include <QDeadlineTimer>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

namespace devnook {

// Waits until a project's local web server answers over HTTP, and tells at
// which address. Used on the main thread; several waits may run at once.
class WorkspaceReadinessService : public QObject {
    Q_OBJECT

public:
    using CandidateSource = std::function<QList<WorkspaceReadyEndpoint>()>;
    // False once nobody waits for the answer any more.
    using StillWanted = std::function<bool()>;

    // What the application bounds each request with, HEAD and GET alike.
    static constexpr std::chrono::milliseconds kRequestTimeout{1500};

    WorkspaceReadinessService(std::chrono::milliseconds timeout, std::chrono::milliseconds pollInterval,
                              std::chrono::milliseconds requestTimeout = kRequestTimeout,
                              QObject *parent = nullptr);

    // How long the configured URL is polled before the candidates are tried.
    std::chrono::milliseconds timeout() const { return m_timeout; }

    // Polls the configured URL until it answers or the deadline passes, then
    // tries the additional candidates once. When the configured port is
    // excluded (a foreign process holds it), polls only the candidates. The
    // candidates are asked for afresh on every pass that uses them. None for
    // a blank configured URL, at once, and as soon as stillWanted (asked
    // before every probe) says no. Virtual so that the store's tests can
    // answer it.
    virtual QCoro::Task<std::optional<WorkspaceReadyEndpoint>>
    waitUntilReadyEndpoint(QString configuredURL, QSet<int> excludedPorts,
                           CandidateSource additionalCandidates, StillWanted stillWanted);

    // The candidates with normalised URLs, leaving out empty ones, repeats
    // and those on an excluded port.
    static QList<WorkspaceReadyEndpoint> availableCandidates(const QList<WorkspaceReadyEndpoint> &candidates,
                                                             const QSet<int> &excludedPorts);

private:
    QCoro::Task<std::optional<WorkspaceReadyEndpoint>>
    firstRespondingCandidate(QList<WorkspaceReadyEndpoint> candidates, StillWanted stillWanted);
    // True when the URL answers with an HTTP status from 200 to 499: HEAD
    // first, GET only when HEAD got no HTTP answer at all.
    QCoro::Task<bool> responds(QString urlText);
    QCoro::Task<std::optional<int>> statusFromAnyLoopback(QUrl url, bool useHead);
    // The HTTP status of one request, or none for a transport failure or
    // when the deadline passes first.
    QCoro::Task<std::optional<int>> requestStatus(QUrl url, QString hostHeader, bool useHead,
                                                  QDeadlineTimer deadline);

    std::chrono::milliseconds m_timeout;
    std::chrono::milliseconds m_pollInterval;
    std::chrono::milliseconds m_requestTimeout;
    QNetworkAccessManager m_network;
};

} // namespace devnook
