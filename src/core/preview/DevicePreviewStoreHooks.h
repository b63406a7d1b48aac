#pragma once

#include "DevicePreviewProxyService.h"
#include "DevicePreviewWindows.h"
#include "core/store/DevicePreviewHooks.h"

namespace devnook {

// The store's view of the device preview: its proxies and health through the
// proxy service, its open windows through their controller.
class DevicePreviewStoreHooks final : public DevicePreviewHooks {
public:
    DevicePreviewStoreHooks(DevicePreviewProxyService &proxies, DevicePreviewWindows &windows)
        : m_proxies(proxies), m_windows(windows)
    {}

    void deactivate(const QUuid &projectID) override { m_proxies.deactivate(projectID); }
    QCoro::Task<> refreshIfActive(DevProject project, QHash<QString, QString> effectiveLocalURLs) override
    {
        co_await m_proxies.refreshIfActive(std::move(project), std::move(effectiveLocalURLs));
    }
    void refreshIfOpen(const DevProject &project) override { m_windows.refreshIfOpen(project); }

private:
    DevicePreviewProxyService &m_proxies;
    DevicePreviewWindows &m_windows;
};

} // namespace devnook
