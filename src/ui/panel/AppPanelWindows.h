#pragma once

#include "PanelWindows.h"

namespace devnook {

class DevicePreviewWindowController;
class ProjectEnvDetailWindowController;
class ProjectLogsWindowController;
class ProjectUsageWindowController;

// The application's project windows, as the panel's rows open them.
class AppPanelWindows final : public PanelWindows {
public:
    AppPanelWindows(ProjectLogsWindowController &logs, ProjectEnvDetailWindowController &envDetails,
                    ProjectUsageWindowController &usage, DevicePreviewWindowController &devicePreview);

    RowWindows available() const override;
    void showLogs(const DevProject &project) override;
    void showEnvDetails(const DevProject &project) override;
    void showUsage(const DevProject &project) override;
    void showDevicePreview(const DevProject &project) override;

private:
    ProjectLogsWindowController &m_logs;
    ProjectEnvDetailWindowController &m_envDetails;
    ProjectUsageWindowController &m_usage;
    DevicePreviewWindowController &m_devicePreview;
};

} // namespace devnook
