#include "BusSignal.h"

#include <QLoggingCategory>

namespace devnook {

namespace {

Q_LOGGING_CATEGORY(lcBus, "devnook.dbus")

} // namespace

QDBusConnection connectionNamed(const QString &name)
{
    return name.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(name);
}

bool connectBusSignal(QDBusConnection &bus, const QString &service, const QString &path,
                      const QString &interface, const QString &name, QObject *receiver, const char *slot)
{
    // QtDBus offers only name-based connections for bus signals.
    if (bus.connect(service, path, interface, name, receiver, slot))
        return true;
    qCWarning(lcBus).noquote() << "Cannot follow" << interface + u'.' + name << "from" << service;
    return false;
}

} // namespace devnook
