#pragma once

#include "FakeClock.h"
#include "LoopbackHttpServer.h"
#include "RecordingDesktop.h"
#include "core/analytics/AnalyticsService.h"
#include "core/preview/DevicePreviewProxyService.h"
#include "core/preview/DevicePreviewReachabilityProbe.h"

namespace devnook::test {

using namespace std::chrono_literals;

// Proxy limits small enough for tests to reach in milliseconds.
inline DevicePreviewProxyLimits testLimits()
{
    DevicePreviewProxyLimits limits;
    limits.headTimeout = 300ms;
    limits.idleTimeout = 800ms;
    limits.upstreamTimeout = 500ms;
    limits.maxConnections = 8;
    limits.maxConnectionsPerAddress = 2;
    limits.collectBytes = 1024;
    return limits;
}

// "LAN" interfaces on loopback addresses, so probes and devices stay on this machine.
class LoopbackInterfaces final : public LanInterfaceSource {
public:
    QList<DevicePreviewService::LanInterface> interfaces() const override { return list; }
    QList<DevicePreviewService::LanInterface> list = {{QStringLiteral("test0"), QStringLiteral("127.0.0.1")}};
};

class SilentAnalytics final : public AnalyticsService {
public:
    void configureIfNeeded() override {}
    void signal(AnalyticsEvent, const QHash<QString, QString> &) override {}
};

// The real proxy service and probe over loopback "LAN" interfaces, a dev
// server stand-in on 127.0.0.1, and the desktop recorded.
struct PreviewRig {
    PreviewRig() { server->listen(); }

    std::unique_ptr<LoopbackHttpServer> server = std::make_unique<LoopbackHttpServer>(
        QHostAddress::LocalHost, QList<int>{200}, LoopbackHttpServer::Behaviour::devServer);
    LoopbackInterfaces interfaces;
    SilentAnalytics analytics;
    FakeClock clock;
    DevicePreviewReachabilityProbe probe{2s};
    ScriptedPowerEvents power;
    DevicePreviewProxyService proxies{{analytics, interfaces, probe, clock, power}, testLimits()};
    RecordingClipboard clipboard;
    RecordingUrlOpener urls;
};

} // namespace devnook::test
