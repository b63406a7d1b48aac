#pragma once

#include "DevicePreviewProxyService.h"
#include "core/store/DevicePreviewHooks.h"

namespace devnook {

// The store's view of the device preview: its proxies and health through the
// proxy service. No device-preview window exists yet, so none is refreshed.
class DevicePreviewStoreHooks final : public DevicePreviewHooks {
public:
    explicit DevicePreviewStoreHooks(DevicePreviewProxyService &proxies) : m_proxies(proxies) {}

    void deactivate(const QUuid &projectID) override { m_proxies.deactivate(projectID); }
    QCoro::Task<> refreshIfActive(DevProject project, QHash<QString, QString> effectiveLocalURLs) override
    {
        co_await m_proxies.refreshIfActive(std::move(project), std::move(effectiveLocalURLs));
    }
    void refreshIfOpen(const DevProject &) override {}

private:
    DevicePreviewProxyService &m_proxies;
};

} // namespace devnook
