// A LAN proxy for the load benchmark: publishes one local origin, rewriting
// it in bodies as a device preview does, and prints its port.
// Usage: proxy_load_server <local origin> <LAN host> [max connections]
#include "core/preview/DevicePreviewHTTPProxy.h"

#include <QCoreApplication>
#include <cstdio>

using namespace devnook;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3)
        return 2;
    const QString origin = arguments.at(1);
    DevicePreviewProxyLimits limits;
    if (arguments.size() > 3)
        limits.maxConnections = arguments.at(3).toInt();
    const auto proxy = DevicePreviewHTTPProxy::create(QUrl(origin), limits);
    if (!proxy)
        return 2;
    QObject::connect(proxy.get(), &DevicePreviewHTTPProxy::startFinished, &app, [&](quint16 port) {
        if (port == 0)
            QCoreApplication::exit(1);
        const QString lanOrigin = u"http://" + arguments.at(2) + u':' + QString::number(port);
        proxy->update({{origin, lanOrigin}}, {{origin, lanOrigin}});
        std::printf("port %u\n", port);
        std::fflush(stdout);
    });
    proxy->start();
    return QCoreApplication::exec();
}
