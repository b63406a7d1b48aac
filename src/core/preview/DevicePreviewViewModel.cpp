#include "DevicePreviewViewModel.h"

#include "DevicePreviewProxyService.h"
#include "DevicePreviewReachabilityProbe.h"
#include "core/environment/Clipboard.h"
#include "core/environment/UrlOpener.h"
#include "core/foundation/BootTimeTimer.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace devnook {

DevicePreviewViewModel::DevicePreviewViewModel(DevProject project, DevicePreviewViewServices services,
                                               QObject *parent)
    : QObject(parent), m_project(std::move(project)), m_services(std::move(services))
{
    m_wasActive = isActive();
    updateHasTargets();
    connect(&m_services.proxies, &DevicePreviewProxyService::previewStateChanged, this,
            &DevicePreviewViewModel::proxyStateChanged);
}

bool DevicePreviewViewModel::isActive() const
{
    return m_services.proxies.activeProjectIDs().contains(m_project.id);
}

DevicePreviewContent DevicePreviewViewModel::content() const
{
    if (!isActive())
        return DevicePreviewContent::inactive;
    if (m_isLoading)
        return DevicePreviewContent::loading;
    if (m_targets.isEmpty())
        return DevicePreviewContent::noURLs;
    return DevicePreviewContent::targets;
}

std::optional<DevicePreviewReachability>
DevicePreviewViewModel::reachability(const QString &candidateID) const
{
    const auto found = m_reachability.constFind(candidateID);
    if (found == m_reachability.cend())
        return std::nullopt;
    return *found;
}

std::optional<Timestamp> DevicePreviewViewModel::lastChecked() const
{
    const QHash<QUuid, Timestamp> &checks = m_services.proxies.lastHealthCheckByProjectID();
    const auto found = checks.constFind(m_project.id);
    if (found == checks.cend())
        return std::nullopt;
    return *found;
}

QCoro::Task<> DevicePreviewViewModel::start()
{
    if (isActive()) {
        co_await activatePreview();
        co_return;
    }
    forgetTargets();
    setLoading(false);
}

QCoro::Task<> DevicePreviewViewModel::setActive(bool on)
{
    if (on) {
        co_await activatePreview();
        co_return;
    }
    m_services.proxies.deactivate(m_project.id);
    forgetTargets();
}

QCoro::Task<> DevicePreviewViewModel::activatePreview()
{
    // A window left open on a deleted project must not publish it again,
    // with no row left to stop it.
    if (!m_services.isInCatalogue()) {
        setLoading(false);
        co_return;
    }
    setLoading(true);
    updateHasTargets();
    // The proxy service gives every target its candidates at the proxy, so
    // the interfaces are not read here.
    const QList<DevicePreviewTarget> targets =
        DevicePreviewService::targets(m_project, m_services.effectiveLocalURLs(), {});
    QPointer<DevicePreviewViewModel> self(this);
    QList<DevicePreviewTarget> proxied = co_await m_services.proxies.proxiedTargets(targets, m_project.id);
    if (!self)
        co_return;
    // Switched off while the proxies started: nothing of this activation shows.
    if (!isActive()) {
        setLoading(false);
        co_return;
    }
    m_targets = std::move(proxied);
    m_isLoading = false;
    Q_EMIT contentChanged();
    co_await refreshReachability();
}

QCoro::Task<> DevicePreviewViewModel::refreshReachability()
{
    const quint64 check = ++m_lastCheck;
    QList<DevicePreviewCandidate> candidates;
    for (const DevicePreviewTarget &target : std::as_const(m_targets))
        candidates.append(target.candidates);
    m_reachability.clear();
    m_checkOf.clear();
    for (const DevicePreviewCandidate &candidate : std::as_const(candidates)) {
        m_reachability.insert(candidate.id(), DevicePreviewReachability::checking());
        m_checkOf.insert(candidate.id(), check);
    }
    Q_EMIT reachabilityChanged(QString());

    // Every probe starts now; each stores its own result when it ends.
    std::vector<QCoro::Task<>> probes;
    probes.reserve(static_cast<size_t>(candidates.size()));
    for (const DevicePreviewCandidate &candidate : std::as_const(candidates))
        probes.push_back(probe(candidate, check));
    QPointer<DevicePreviewViewModel> self(this);
    for (QCoro::Task<> &running : probes)
        co_await running;
    if (self)
        publishHealth();
}

QCoro::Task<> DevicePreviewViewModel::refreshReachability(DevicePreviewCandidate candidate)
{
    const quint64 check = ++m_lastCheck;
    m_reachability.insert(candidate.id(), DevicePreviewReachability::checking());
    m_checkOf.insert(candidate.id(), check);
    Q_EMIT reachabilityChanged(candidate.id());
    QPointer<DevicePreviewViewModel> self(this);
    co_await probe(candidate, check);
    if (self)
        publishHealth();
}

QCoro::Task<> DevicePreviewViewModel::probe(DevicePreviewCandidate candidate, quint64 check)
{
    QPointer<DevicePreviewViewModel> self(this);
    const DevicePreviewReachability result = co_await m_services.probe.reachability(candidate);
    if (!self)
        co_return;
    const QString id = candidate.id();
    // A later check, or switching off, took the entry over.
    if (m_checkOf.value(id) != check)
        co_return;
    m_reachability.insert(id, result);
    Q_EMIT reachabilityChanged(id);
}

void DevicePreviewViewModel::publishHealth()
{
    // A map with probes still out would count them as unreachable; the check
    // that ends last hands over the complete map.
    for (const DevicePreviewReachability &value : std::as_const(m_reachability)) {
        if (value.state == DevicePreviewReachability::State::checking)
            return;
    }
    m_services.proxies.updateHealth(m_project.id, m_reachability);
}

void DevicePreviewViewModel::copy(const DevicePreviewCandidate &candidate)
{
    m_services.clipboard.setText(candidate.url.toString());
    const QString id = candidate.id();
    m_copiedCandidateID = id;
    Q_EMIT copiedCandidateChanged();
    // Each copy has its own timer, which a later copy leaves running: the
    // mark goes when the timer of the copy that set it, or of an earlier copy
    // of the same row, finds it still there. The time counts a sleep too.
    auto *timer = new BootTimeTimer(kCopiedFeedback, this);
    timer->setObjectName(u"copiedFeedbackTimer"_s);
    connect(timer, &BootTimeTimer::timeout, this, [this, timer, id] {
        timer->deleteLater();
        if (m_copiedCandidateID != id)
            return;
        m_copiedCandidateID.reset();
        Q_EMIT copiedCandidateChanged();
    });
    timer->start();
}

void DevicePreviewViewModel::open(const DevicePreviewCandidate &candidate)
{
    // Opening reports nothing to the user.
    (void)m_services.urls.open(candidate.url);
}

void DevicePreviewViewModel::updateHasTargets()
{
    // Whether there is any target does not depend on the interfaces.
    const bool hasTargets =
        !DevicePreviewService::targets(m_project, m_services.effectiveLocalURLs(), {}).isEmpty();
    if (hasTargets == m_hasTargets)
        return;
    m_hasTargets = hasTargets;
    Q_EMIT headerChanged();
}

void DevicePreviewViewModel::proxyStateChanged()
{
    const bool active = isActive();
    const bool switched = active != m_wasActive;
    m_wasActive = active;
    Q_EMIT headerChanged();
    if (switched)
        Q_EMIT contentChanged();
}

void DevicePreviewViewModel::setLoading(bool loading)
{
    if (loading == m_isLoading)
        return;
    m_isLoading = loading;
    Q_EMIT contentChanged();
}

void DevicePreviewViewModel::forgetTargets()
{
    m_targets.clear();
    m_reachability.clear();
    m_checkOf.clear();
    Q_EMIT contentChanged();
    Q_EMIT reachabilityChanged(QString());
}

} // namespace devnook
