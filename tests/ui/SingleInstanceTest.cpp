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
        QVERIFY(!SingleInstance(socketPath()).askPrimaryToShow(200)); // nobody answers
        {
            SingleInstance ended(socketPath()); // an earlier, ended launch
            QVERIFY(ended.becomePrimary());
        }
        SingleInstance first(socketPath());
        QVERIFY(first.becomePrimary());
        QSignalSpy shown(&first, &SingleInstance::showRequested);

        SingleInstance second(socketPath());
        QVERIFY(!second.becomePrimary());
        QVERIFY(second.askPrimaryToShow(2000));
        QVERIFY(shown.wait(2000));
        QCOMPARE(shown.size(), 1);
    }

    void strangersCannotTriggerAnything()
    {
        SingleInstance first(socketPath());
        QVERIFY(first.becomePrimary());
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        for (const QByteArray &message : {QByteArray("quit\n"), QByteArray(4096, 's')}) {
            QLocalSocket stranger;
            stranger.connectToServer(socketPath());
            QVERIFY(stranger.waitForConnected(1000));
            stranger.write(message);
            QVERIFY(stranger.waitForBytesWritten(1000));
            QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        }
        QVERIFY(shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
