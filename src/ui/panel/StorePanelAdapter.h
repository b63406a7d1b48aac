#pragma once

#include "PanelStore.h"

namespace devnook {

class DevicePreviewProxyService;
class ProjectStore;

// The panel's view of the real project store and of the device previews.
class StorePanelAdapter final : public PanelStore {
    Q_OBJECT

public:
    StorePanelAdapter(ProjectStore &store, DevicePreviewProxyService &previews, QObject *parent = nullptr);

    const QList<DevProject> &projects() const override;
    const QHash<QUuid, ProjectGitStatus> &gitStatuses() const override;
    const QHash<QUuid, ProjectEnvProfile> &envProfiles() const override;
    const QHash<QUuid, ProjectFolderFacts> &folderFacts() const override;
    UsageTrackingState usageTrackingState(const QUuid &projectID) const override;
    DevProcessState displayProcessState(const DevProject &project) const override;
    std::optional<QString> lastError() const override;
    void dismissLastError() override;
    bool isDevicePreviewActive(const QUuid &projectID) const override;
    std::optional<DevicePreviewHealthSummary> devicePreviewHealth(const QUuid &projectID) const override;

    void refreshProjectStatuses() override;
    void togglePinned(const DevProject &project) override;
    void markUsed(const DevProject &project) override;
    void archive(const DevProject &project) override;
    void restore(const DevProject &project) override;
    void deleteProject(const DevProject &project) override;
    void toggleDevProcess(const DevProject &project) override;
    void startWorkspace(const DevProject &project) override;
    void toggleUsageTrackingPause(const DevProject &project) override;

private:
    ProjectStore &m_store;
    DevicePreviewProxyService &m_previews;
};

} // namespace devnook
