#include "BusService.h"
#include "TestLogind.h"
#include "platform/linux/LinuxIdleTime.h"
#include "platform/linux/LogindPowerEvents.h"
#include "platform/linux/XcbIdleTimeSource.h"

#include <QCoroTask>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

double read(IdleTimeSource &source)
{
    return QCoro::waitFor(source.secondsSinceLastInput());
}

} // namespace

// GNOME's idle monitor, answering in milliseconds.
class TestMutterIdleMonitor final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public:
    test::BusService bus{this, u"org.gnome.Mutter.IdleMonitor"_s, u"/org/gnome/Mutter/IdleMonitor/Core"_s};

public Q_SLOTS:
    Q_SCRIPTABLE qulonglong GetIdletime() { return 1234500; }
};

// The freedesktop screen saver, answering in seconds.
class TestScreenSaver final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    test::BusService bus{this, u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s};

public Q_SLOTS:
    Q_SCRIPTABLE uint GetSessionIdleTime() { return 42; }
};

// The idle-time sources against desktop services on the private session bus
// of the test run, and against an X server of the test's own; sleep and wake
// against a logind stand-in on that bus (the application uses the system bus,
// which tests do not have).
class IdleTimeSourceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void desktopServicesAreChosenOnceMutterFirst()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
        TestMutterIdleMonitor mutter;
        TestScreenSaver screenSaver;

        // Made at launch, chosen when first asked.
        const auto madeAtLaunch = LinuxIdleTime::choose(false);
        QCOMPARE(read(*LinuxIdleTime::choose(false)), 0.0);
        QVERIFY(screenSaver.bus.start());
        QCOMPARE(read(*madeAtLaunch), 42.0);
        QVERIFY(mutter.bus.start());
        const auto source = LinuxIdleTime::choose(false);
        QCOMPARE(read(*source), 1234.5);

        // Mutter gone, say restarting: the user counts as present, and the
        // source stays the one chosen.
        mutter.bus.stop();
        QCOMPARE(read(*source), 0.0);
    }

    void theXServerCountsFromTheLastInput()
    {
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_s);
        if (xvfb.isEmpty() || xdotool.isEmpty())
            QSKIP("needs Xvfb and xdotool");
        QProcess server;
        // Xvfb prints its display number once it accepts clients.
        server.start(xvfb, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s});
        QVERIFY(server.waitForReadyRead(10000));
        const QString display = u':' + QString::fromLatin1(server.readAllStandardOutput()).trimmed();
        QVERIFY(!XcbIdleTimeSource::connect(display + u"9"_s));

        const auto source = XcbIdleTimeSource::connect(display);
        QVERIFY(source);
        QTRY_VERIFY(read(*source) >= 1.0);
        QProcess input;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, display);
        input.setProcessEnvironment(environment);
        input.start(xdotool, {u"mousemove"_s, u"10"_s, u"10"_s});
        QVERIFY(input.waitForFinished());
        QCOMPARE(input.exitCode(), 0);
        QVERIFY(read(*source) < 1.0);

        server.terminate();
        QVERIFY(server.waitForFinished());
    }

    void sleepWaitsForTheHandlersAndWakeTakesTheLockAgain()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
        test::TestLogind logind;
        QVERIFY(logind.bus.start());
        LogindPowerEvents power;
        power.follow(QDBusConnection::sessionBus());
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

QTEST_GUILESS_MAIN(IdleTimeSourceTest)
#include "IdleTimeSourceTest.moc"
