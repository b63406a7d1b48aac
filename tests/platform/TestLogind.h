#pragma once

#include "BusService.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QList>
#include <QObject>
#include <QStringList>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace devnook::test {

// logind's manager: hands out inhibitor locks as the write ends of pipes and
// announces sleep and wake.
class TestLogind final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~TestLogind() override
    {
        for (const int fd : std::as_const(m_lockReadEnds))
            ::close(fd);
    }

    // True while some client still holds the lock of that Inhibit call: its
    // read end sees end-of-file once the lock is let go.
    bool lockHeld(qsizetype call) const
    {
        pollfd readEnd{m_lockReadEnds.value(call, -1), POLLIN, 0};
        return readEnd.fd >= 0 && ::poll(&readEnd, 1, 0) == 0;
    }
    void prepareForSleep(bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                                         QStringLiteral("PrepareForSleep"));
        bus.connection().send(signal << start);
    }

    BusService bus{this, QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1")};
    // The arguments of each Inhibit call.
    QList<QStringList> inhibitCalls;

public Q_SLOTS:
    Q_SCRIPTABLE QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                                 const QString &mode)
    {
        inhibitCalls.append({what, who, why, mode});
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        m_lockReadEnds.append(ends[0]);
        // The reply carries its own copy; ours goes at once.
        QDBusUnixFileDescriptor lock(ends[1]);
        ::close(ends[1]);
        return lock;
    }

private:
    QList<int> m_lockReadEnds;
};

} // namespace devnook::test
