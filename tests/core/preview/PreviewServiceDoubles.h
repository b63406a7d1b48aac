#pragma once

#include "core/analytics/AnalyticsService.h"
#include "core/preview/DevicePreviewProxyService.h"

namespace devnook::test {

// "LAN" interfaces on loopback addresses, so probes and devices stay on this machine.
class LoopbackInterfaces final : public LanInterfaceSource {
public:
    QList<DevicePreviewService::LanInterface> interfaces() const override { return list; }
    QList<DevicePreviewService::LanInterface> list = {{QStringLiteral("test0"), QStringLiteral("127.0.0.1")}};
};

// Records the target count of each "device-preview-started" event.
class PreviewStartSignals final : public AnalyticsService {
public:
    void configureIfNeeded() override {}
    void signal(AnalyticsEvent event, const QHash<QString, QString> &parameters) override
    {
        if (event == AnalyticsEvent::devicePreviewStarted)
            targetCounts.append(parameters.value(QStringLiteral("configured-target-count")));
    }
    QStringList targetCounts;
};

} // namespace devnook::test
