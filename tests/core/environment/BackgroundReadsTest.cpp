#include "core/environment/BackgroundReads.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <atomic>

using namespace devnook;

// The read pool against the application object's lifetime; the test makes
// that object itself, so that it can look past its end.
class BackgroundReadsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A quit while a read is under way: once the application object is gone,
    // the read has ended and the pool has let go of its thread, so nothing of
    // it runs on into the static destructors that tear down what it uses.
    void theApplicationObjectTakesThePoolWithIt()
    {
        std::atomic<QThread *> reading = nullptr;
        std::atomic_bool ended = false;
        QPointer<QThread> readThread;
        {
            int argc = 1;
            char name[] = "BackgroundReadsTest";
            char *argv[] = {name, nullptr};
            QCoreApplication application(argc, argv);
            // As a hung git call would, it runs until the reads are stopped.
            runBackgroundRead([&reading, &ended] {
                reading = QThread::currentThread();
                while (!backgroundReadsStopped())
                    QThread::msleep(10);
                ended = true;
            });
            QVERIFY(QTest::qWaitFor([&] { return reading.load(); }, 30000));
            readThread = reading.load();
        }
        const bool endedWithTheApplication = ended;
        const bool threadLeft = !readThread.isNull();
        // What the application object left running must not outlive the test.
        stopBackgroundReads();
        backgroundReadPool().waitForDone();
        QVERIFY(endedWithTheApplication);
        QVERIFY(!threadLeft);
    }
};

QTEST_APPLESS_MAIN(BackgroundReadsTest)
#include "BackgroundReadsTest.moc"
