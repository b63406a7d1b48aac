#pragma once

#include "core/foundation/PowerEvents.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

namespace devnook {

// Sleep and wake as logind announces them with PrepareForSleep. While awake
// it holds a delay inhibitor lock, so logind waits for willSleep's handlers
// before the machine sleeps; the lock is let go once they have run and taken
// again on wake.
class LogindPowerEvents final : public PowerEvents {
    Q_OBJECT

public:
    explicit LogindPowerEvents(QObject *parent = nullptr);

    // Follows logind on the bus (the system bus in the application) from now
    // on; without a connected bus nothing is ever reported.
    void follow(const QDBusConnection &bus);

    // True while the delay lock is held.
    bool holdsSleepDelay() const { return m_delayLock.isValid(); }

private Q_SLOTS:
    // The logind signal, connected by name as QtDBus requires.
    void onPrepareForSleep(bool start);

private:
    QCoro::Task<> takeDelayLock();

    QDBusConnection m_bus;
    QDBusUnixFileDescriptor m_delayLock;
    bool m_sleeping = false;
};

} // namespace devnook
