#include "core/foundation/BootTimeTimer.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace devnook;

namespace {

// How many of this process's open timers wait on CLOCK_BOOTTIME, as the
// kernel describes them.
int bootTimeTimers()
{
    int count = 0;
    const QDir descriptors(u"/proc/self/fd"_s);
    for (const QString &fd : descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        const QByteArray link = QFile::encodeName(descriptors.filePath(fd));
        if (readlink(link.constData(), target, sizeof target - 1) < 0 ||
            QByteArrayView(target) != "anon_inode:[timerfd]")
            continue;
        QFile info(u"/proc/self/fdinfo/"_s + fd);
        if (info.open(QIODevice::ReadOnly) &&
            info.readAll().contains(QByteArray("clockid: " + QByteArray::number(CLOCK_BOOTTIME) + "\n")))
            ++count;
    }
    return count;
}

} // namespace

class BootTimeTimerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Suspending the machine is beyond a test; the kernel says which clock
    // the timer waits on.
    void waitsOnTheBootClock()
    {
        const int before = bootTimeTimers();
        BootTimeTimer timer(30s);
        QVERIFY(timer.countsSleep());
        QCOMPARE(bootTimeTimers(), before + 1);
    }

    // Once per start, an interval after it. A wait that ended while the
    // event loop was busy is dropped by a stop, and by a restart.
    void timesOutOncePerStart()
    {
        BootTimeTimer timer(200ms);
        QSignalSpy timeouts(&timer, &BootTimeTimer::timeout);
        timer.start();
        QThread::msleep(250);
        timer.stop();
        QTest::qWait(300);
        QCOMPARE(timeouts.size(), 0);

        timer.start();
        QThread::msleep(250);
        timer.start();
        QVERIFY(timer.isActive());
        QTest::qWait(100);
        QCOMPARE(timeouts.size(), 0);
        QVERIFY(timeouts.wait(5000));
        QVERIFY(!timer.isActive());
        QTest::qWait(300);
        QCOMPARE(timeouts.size(), 1);
    }

    // A zero wait is no disarmed timer: it ends at the next pass of the loop.
    void zeroWaitEndsAtOnce()
    {
        BootTimeTimer timer(0ms);
        QSignalSpy timeouts(&timer, &BootTimeTimer::timeout);
        timer.start();
        QVERIFY(timeouts.wait(2000));
        QVERIFY(!timer.isActive());
    }

    // Two waits that ended while the loop was busy are delivered in the same
    // pass; the first one's handler stops or restarts the other, whose
    // ended wait must then be forgotten.
    void stopOrRestartFromAnotherTimeoutIsHeld_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("stopped") << false;
        QTest::newRow("restarted") << true;
    }

    void stopOrRestartFromAnotherTimeoutIsHeld()
    {
        QFETCH(bool, restart);
        BootTimeTimer first(100ms);
        BootTimeTimer second(100ms);
        QList<BootTimeTimer *> fired;
        const auto handle = [&fired, restart](BootTimeTimer *timer, BootTimeTimer *other) {
            fired.append(timer);
            if (fired.size() > 1)
                return;
            if (restart)
                other->start();
            else
                other->stop();
        };
        connect(&first, &BootTimeTimer::timeout, this, [&] { handle(&first, &second); });
        connect(&second, &BootTimeTimer::timeout, this, [&] { handle(&second, &first); });
        first.start();
        second.start();
        QThread::msleep(150);
        QCoreApplication::processEvents();
        QCOMPARE(fired.size(), 1);
        BootTimeTimer *const other = fired.first() == &first ? &second : &first;
        QCOMPARE(other->isActive(), restart);
        if (restart) {
            QTRY_COMPARE(fired.size(), 2);
            QCOMPARE(fired.last(), other);
        } else {
            QTest::qWait(200);
            QCOMPARE(fired.size(), 1);
        }
    }

    // Without a descriptor to spare it still ends its waits, on a clock
    // that pauses during a sleep.
    void fallsBackWhenNoTimerCanBeOpened()
    {
        rlimit previous{};
        getrlimit(RLIMIT_NOFILE, &previous);
        const int lowestFree = fcntl(0, F_DUPFD_CLOEXEC, 0);
        close(lowestFree);
        rlimit exhausted = previous;
        exhausted.rlim_cur = static_cast<rlim_t>(lowestFree);
        setrlimit(RLIMIT_NOFILE, &exhausted);
        BootTimeTimer timer(50ms);
        setrlimit(RLIMIT_NOFILE, &previous);

        QVERIFY(!timer.countsSleep());
        QSignalSpy timeouts(&timer, &BootTimeTimer::timeout);
        timer.start();
        QVERIFY(timeouts.wait(5000));
        QVERIFY(!timer.isActive());
    }
};

QTEST_GUILESS_MAIN(BootTimeTimerTest)
#include "BootTimeTimerTest.moc"
