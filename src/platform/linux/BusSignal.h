#pragma once

#include <QDBusConnection>
#include <QString>

class QObject;

namespace devnook {

// The named connection a test opened to its own bus, or the session bus.
QDBusConnection connectionNamed(const QString &name);

// Connects a bus signal to a slot of the receiver. QtDBus matches the slot's
// argument types by name and refuses, returning false, when one is not
// registered yet or the bus is gone; that is logged as a warning naming the
// signal, since the feature then stays silent.
bool connectBusSignal(QDBusConnection &bus, const QString &service, const QString &path,
                      const QString &interface, const QString &name, QObject *receiver, const char *slot);

} // namespace devnook
