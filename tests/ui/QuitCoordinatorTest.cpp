#include "ui/shell/QuitCoordinator.h"

#include "ShellDoubles.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class QuitCoordinatorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<QList<int>>("script"); // empty: the harmless answer
        QTest::addColumn<bool>("terminates");
        QTest::addColumn<QStringList>("calls");
        const QStringList finish{u"finishUsage"_s};
        QTest::newRow("nothing runs: no question") << false << QList<int>() << true << finish;
        QTest::newRow("stop and quit")
            << true << QList<int>{QuitCoordinator::stopAndQuit} << true << finish + QStringList{u"stopAll"_s};
        QTest::newRow("quit anyway") << true << QList<int>{QuitCoordinator::quitAnyway} << true << finish;
        QTest::newRow("cancel") << true << QList<int>{QuitCoordinator::cancel} << false << QStringList();
        QTest::newRow("harmless answer") << true << QList<int>() << false << QStringList();
        QTest::newRow("closed another way") << true << QList<int>{-1} << false << QStringList();
    }

    void answers()
    {
        QFETCH(bool, running);
        QFETCH(QList<int>, script);
        QFETCH(bool, terminates);
        QFETCH(QStringList, calls);
        test::FakeShellStore store;
        store.projects = {{u"Alpha"_s, running}};
        test::ScriptedAlertAsker alerts;
        alerts.answers = script;
        QuitCoordinator quit(store, alerts);
        QCOMPARE(quit.shouldTerminate(), terminates);
        QCOMPARE(store.calls, calls);
        QCOMPARE(alerts.asked.size(), running ? 1 : 0);
        if (!running)
            return;
        const AlertRequest &request = alerts.asked.constFirst();
        QCOMPARE(request.buttons.size(), 3);
        for (const QString &text : request.buttons + QStringList{request.message, request.informativeText})
            QVERIFY2(!text.contains(u'_'), qPrintable(text)); // localised, not keys
    }

    void terminationSignalFinishesUsageWithoutAsking()
    {
        test::FakeShellStore store;
        store.projects = {{u"Alpha"_s, true}};
        test::ScriptedAlertAsker alerts;
        QuitCoordinator(store, alerts).terminateWithoutAsking();
        QVERIFY(alerts.asked.isEmpty());
        QCOMPARE(store.calls, QStringList{u"finishUsage"_s});
    }
};

QTEST_GUILESS_MAIN(QuitCoordinatorTest)
#include "QuitCoordinatorTest.moc"
