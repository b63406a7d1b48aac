#include "AppPanelWindows.h"

#include "ui/env/ProjectEnvDetailWindowController.h"
#include "ui/logs/ProjectLogsWindowController.h"
#include "ui/preview/DevicePreviewWindowController.h"
#include "ui/usage/ProjectUsageWindowController.h"

namespace devnook {

AppPanelWindows::AppPanelWindows(ProjectLogsWindowController &logs,
                                 ProjectEnvDetailWindowController &envDetails,
                                 ProjectUsageWindowController &usage,
                                 DevicePreviewWindowController &devicePreview)
    : m_logs(logs), m_envDetails(envDetails), m_usage(usage), m_devicePreview(devicePreview)
{}

RowWindows AppPanelWindows::available() const
{
    RowWindows windows;
    windows.projectForm = true;
    windows.logs = true;
    windows.envDetails = true;
    windows.usage = true;
    windows.devicePreview = true;
    return windows;
}

void AppPanelWindows::showLogs(const DevProject &project)
{
    m_logs.show(project);
}

void AppPanelWindows::showEnvDetails(const DevProject &project)
{
    m_envDetails.show(project);
}

void AppPanelWindows::showUsage(const DevProject &project)
{
    m_usage.show(project);
}

void AppPanelWindows::showDevicePreview(const DevProject &project)
{
    m_devicePreview.show(project);
}

} // namespace devnook
