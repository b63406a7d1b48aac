#include "platform/linux/LogindPowerEvents.h"

#include "TestIdleServices.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

// Sleep and wake against a logind stand-in on the private session bus of the
// test run; the application uses the system bus, which tests do not have.
class LogindPowerEventsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sleepWaitsForTheHandlersAndWakeTakesTheLockAgain()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
        test::TestLogind logind;
        QVERIFY(logind.bus.start());
        LogindPowerEvents power(QDBusConnection::sessionBus());
        QTRY_VERIFY(power.holdsSleepDelay());
        QCOMPARE(logind.inhibitCalls,
                 (QList<QStringList>{
                     {u"sleep"_s, u"Devnook"_s, u"Pause usage tracking before sleep"_s, u"delay"_s}}));
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
        QCOMPARE(logind.inhibitCalls.size(), 2);
        QVERIFY(logind.lockHeld(1));
        QCOMPARE(slept.size(), 1);
    }
};

QTEST_GUILESS_MAIN(LogindPowerEventsTest)
#include "LogindPowerEventsTest.moc"
