#include "AppPanelWindows.h"

#include "ui/env/ProjectEnvDetailWindowController.h"
#include "ui/logs/ProjectLogsWindowController.h"

namespace devnook {

AppPanelWindows::AppPanelWindows(ProjectLogsWindowController &logs,
                                 ProjectEnvDetailWindowController &envDetails)
    : m_logs(logs), m_envDetails(envDetails)
{}

RowWindows AppPanelWindows::available() const
{
    RowWindows windows;
    windows.projectForm = true;
    windows.logs = true;
    windows.envDetails = true;
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

} // namespace devnook
