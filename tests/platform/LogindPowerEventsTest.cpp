#include "platform/linux/LogindPowerEvents.h"

#include "BusService.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QSignalSpy>
#include <QTest>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace devnook;

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
        QDBusMessage signal = QDBusMessage::createSignal(
            u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
        bus.connection().send(signal << start);
    }

    test::BusService bus{this, u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s};
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

// Sleep and wake against a logind stand-in on the private session bus of the
// test run; the application uses the system bus, which tests do not have.
class LogindPowerEventsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sleepWaitsForTheHandlersAndWakeTakesTheLockAgain()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
        TestLogind logind;
        QVERIFY(logind.bus.start());
        LogindPowerEvents power(QDBusConnection::sessionBus());
        QTRY_VERIFY(power.holdsSleepDelay());
        QCOMPARE(logind.inhibitCalls.size(), 1);
        QVERIFY(logind.inhibitCalls[0][0] == u"sleep" && logind.inhibitCalls[0][3] == u"delay");
        QVERIFY(logind.lockHeld(0));

        bool heldWhileHandling = false;
        connect(&power, &PowerEvents::willSleep, this, [&] { heldWhileHandling = logind.lockHeld(0); });
        QSignalSpy slept(&power, &PowerEvents::willSleep);
        QSignalSpy woke(&power, &PowerEvents::didWake);
        logind.prepareForSleep(true);
        QVERIFY(slept.wait());
        QVERIFY(heldWhileHandling);
        QTRY_VERIFY(!logind.lockHeld(0));
        QVERIFY(woke.isEmpty());

        logind.prepareForSleep(false);
        QVERIFY(woke.wait());
        QTRY_VERIFY(power.holdsSleepDelay());
        QVERIFY(logind.lockHeld(1));
        QCOMPARE(slept.size(), 1);
    }
};

QTEST_GUILESS_MAIN(LogindPowerEventsTest)
#include "LogindPowerEventsTest.moc"
