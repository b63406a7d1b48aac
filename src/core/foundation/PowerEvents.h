#pragma once

#include <QObject>

namespace devnook {

// The machine's sleep and wake. Handlers of willSleep run before the machine
// sleeps, so what they write reaches the disk first.
class PowerEvents : public QObject {
    Q_OBJECT

protected:
    using QObject::QObject;

Q_SIGNALS:
    // Emitted when the machine is about to sleep.
    void willSleep();
    // Emitted when the machine has woken up.
    void didWake();
};

} // namespace devnook
