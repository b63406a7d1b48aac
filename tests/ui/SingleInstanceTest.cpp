#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class SingleInstanceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString socketPath() const { return m_dir.filePath(u"devnook.socket"_s); }

private Q_SLOTS:
    void secondLaunchAsksTheFirstToShow()
    {
        SingleInstance first(socketPath());
        QVERIFY(first.becomePrimary());
        QSignalSpy shown(&first, &SingleInstance::showRequested);

        SingleInstance second(socketPath());
        QVERIFY(!second.becomePrimary());
        QVERIFY(second.askPrimaryToShow(2000));
        QVERIFY(shown.wait(2000));
        QCOMPARE(shown.size(), 1);
    }

    void firstLaunchAfterAnEndedOneBecomesPrimary()
    {
        {
            SingleInstance ended(socketPath());
            QVERIFY(ended.becomePrimary());
        }
        SingleInstance next(socketPath());
        QVERIFY(next.becomePrimary());
        SingleInstance later(socketPath());
        QVERIFY(!later.becomePrimary());
    }

    void strangersCannotTriggerAnything()
    {
        SingleInstance first(socketPath());
        QVERIFY(first.becomePrimary());
        QSignalSpy shown(&first, &SingleInstance::showRequested);

        QLocalSocket wrongWord;
        wrongWord.connectToServer(socketPath());
        QVERIFY(wrongWord.waitForConnected(1000));
        wrongWord.write("quit\n");
        QVERIFY(wrongWord.waitForBytesWritten(1000));
        QTRY_COMPARE(wrongWord.state(), QLocalSocket::UnconnectedState);

        QLocalSocket flood;
        flood.connectToServer(socketPath());
        QVERIFY(flood.waitForConnected(1000));
        flood.write(QByteArray(4096, 's'));
        QVERIFY(flood.waitForBytesWritten(1000));
        QTRY_COMPARE(flood.state(), QLocalSocket::UnconnectedState);
        QVERIFY(shown.isEmpty());
    }

    void nobodyAnsweringIsReported()
    {
        SingleInstance lonely(socketPath() + u".none"_s);
        QVERIFY(!lonely.askPrimaryToShow(200));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
