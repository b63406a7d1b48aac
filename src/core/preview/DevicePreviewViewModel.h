#pragma once

#include "DevicePreviewRecords.h"
#include "core/foundation/Timestamp.h"
#include "core/projects/DevProject.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

namespace devnook {

class Clipboard;
class DevicePreviewProxyService;
class DevicePreviewReachabilityProbe;
class UrlOpener;

// What the body of a device-preview window shows, first match wins.
enum class DevicePreviewContent {
    // The project's preview is off.
    inactive,
    // An activation is under way.
    loading,
    // The project has no local URL to publish.
    noURLs,
    // One section per target.
    targets,
};

// What a device-preview window uses.
struct DevicePreviewViewServices {
    DevicePreviewProxyService &proxies;
    DevicePreviewReachabilityProbe &probe;
    Clipboard &clipboard;
    UrlOpener &urls;
    // The project's effective local URLs as the store holds them now.
    std::function<QHash<QString, QString>()> effectiveLocalURLs;
    // Whether the catalogue still holds the project; a deleted project's
    // preview is never switched on.
    std::function<bool()> isInCatalogue;
};

// The state of one project's device-preview window and what its controls do:
// switching the preview on and off, the proxied targets, the reachability of
// every LAN address shown and the mark of the address copied last. A new
// model starts from nothing; the window builds one per project value.
class DevicePreviewViewModel final : public QObject {
    Q_OBJECT

public:
    // How long a copied address keeps its mark.
    static constexpr std::chrono::milliseconds kCopiedFeedback{2000};

    DevicePreviewViewModel(DevProject project, DevicePreviewViewServices services, QObject *parent = nullptr);

    const DevProject &project() const { return m_project; }
    // Whether the project's preview is on, as the proxy service says now.
    bool isActive() const;
    // Whether the project has any local URL to publish, configured or
    // discovered; the switch is disabled without one.
    bool hasTargets() const { return m_hasTargets; }
    bool isLoading() const { return m_isLoading; }
    DevicePreviewContent content() const;
    // The targets with their LAN candidates as the last activation returned them.
    const QList<DevicePreviewTarget> &targets() const { return m_targets; }
    // A candidate's last result, checking while probed; none before its first check.
    std::optional<DevicePreviewReachability> reachability(const QString &candidateID) const;
    const QHash<QString, DevicePreviewReachability> &reachabilityMap() const { return m_reachability; }
    // The candidate whose address was copied within the feedback time.
    const std::optional<QString> &copiedCandidateID() const { return m_copiedCandidateID; }
    // When the project's last health result was stored; none without one.
    std::optional<Timestamp> lastChecked() const;

    // What a newly shown window does: activates a preview that is on, and
    // otherwise shows the inactive state.
    QCoro::Task<> start();
    // The switch: on activates, off switches the preview off and forgets
    // the targets and results.
    QCoro::Task<> setActive(bool on);
    // Switches the preview on (or refreshes it), loads its targets and
    // checks every LAN address; for a project that is no longer in the
    // catalogue it only ends the loading.
    QCoro::Task<> activatePreview();
    // Checks every LAN address shown at once; each result shows as it comes,
    // and the whole map goes to the proxy service as the project's health.
    QCoro::Task<> refreshReachability();
    // Checks one LAN address again.
    QCoro::Task<> refreshReachability(DevicePreviewCandidate candidate);

    // Puts the candidate's URL on the clipboard and marks it copied for a while.
    void copy(const DevicePreviewCandidate &candidate);
    // Opens the candidate's URL in the browser; a failure stays silent.
    void open(const DevicePreviewCandidate &candidate);

Q_SIGNALS:
    // Emitted when the switch's state, whether it can be used, or the last
    // check time may have changed.
    void headerChanged();
    // Emitted when the content kind or the targets changed.
    void contentChanged();
    // Emitted when one candidate's reachability changed; an empty id means
    // the whole map was replaced.
    void reachabilityChanged(const QString &candidateID);
    // Emitted when the copied mark moved or went.
    void copiedCandidateChanged();

private:
    QCoro::Task<> probe(DevicePreviewCandidate candidate, quint64 check);
    void updateHasTargets();
    void proxyStateChanged();
    void setLoading(bool loading);
    void forgetTargets();
    // Hands the map to the proxy service once no probe of it is outstanding.
    void publishHealth();

    const DevProject m_project;
    DevicePreviewViewServices m_services;
    bool m_hasTargets = false;
    bool m_isLoading = true;
    bool m_wasActive = false;
    QList<DevicePreviewTarget> m_targets;
    QHash<QString, DevicePreviewReachability> m_reachability;
    // The check that owns each entry of the map: only its result is kept, so
    // a probe that started earlier never overwrites one that started later.
    QHash<QString, quint64> m_checkOf;
    quint64 m_lastCheck = 0;
    std::optional<QString> m_copiedCandidateID;
};

} // namespace devnook
