#include "ShellDoubles.h"
#include "ui/shell/QuitCoordinator.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::FakeShellStore;
using test::ScriptedAlertAsker;

class QuitCoordinatorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quitsWithoutQuestionWhenNothingRuns()
    {
        FakeShellStore store;
        store.projects = {{u"Alpha"_s, false}};
        ScriptedAlertAsker alerts;
        QuitCoordinator quit(store, alerts);
        QVERIFY(quit.shouldTerminate());
        QVERIFY(alerts.asked.isEmpty());
        QCOMPARE(store.calls, QStringList{u"finishUsage"_s});
    }

    void answers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("terminates");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("stop and quit") << int(QuitCoordinator::stopAndQuit) << true
                                       << QStringList{u"finishUsage"_s, u"stopAll"_s};
        QTest::newRow("quit anyway") << int(QuitCoordinator::quitAnyway) << true << QStringList{u"finishUsage"_s};
        QTest::newRow("cancel") << int(QuitCoordinator::cancel) << false << QStringList();
        QTest::newRow("alert closed another way") << -1 << false << QStringList();
    }

    void answers()
    {
        QFETCH(int, answer);
        QFETCH(bool, terminates);
        QFETCH(QStringList, calls);
        FakeShellStore store;
        store.projects = {{u"Alpha"_s, true}};
        ScriptedAlertAsker alerts;
        alerts.answers = {answer};
        QuitCoordinator quit(store, alerts);
        QCOMPARE(quit.shouldTerminate(), terminates);
        QCOMPARE(store.calls, calls);
    }

    void questionOffersThreeChoicesWithCancelAsTheHarmlessOne()
    {
        FakeShellStore store;
        store.projects = {{u"Alpha"_s, true}};
        ScriptedAlertAsker alerts;
        QuitCoordinator quit(store, alerts);
        QVERIFY(!quit.shouldTerminate()); // the scripted asker takes the harmless answer
        QCOMPARE(alerts.asked.size(), 1);
        const AlertRequest &request = alerts.asked.constFirst();
        QCOMPARE(request.buttons.size(), 3);
        QCOMPARE(request.harmlessButton, int(QuitCoordinator::cancel));
        for (const QString &text : request.buttons + QStringList{request.message, request.informativeText})
            QVERIFY2(!text.contains(u'_'), qPrintable(text)); // localised, not keys
    }

    void terminationSignalFinishesUsageWithoutAsking()
    {
        FakeShellStore store;
        store.projects = {{u"Alpha"_s, true}};
        ScriptedAlertAsker alerts;
        QuitCoordinator quit(store, alerts);
        quit.terminateWithoutAsking();
        QVERIFY(alerts.asked.isEmpty());
        QCOMPARE(store.calls, QStringList{u"finishUsage"_s});
    }
};

QTEST_GUILESS_MAIN(QuitCoordinatorTest)
#include "QuitCoordinatorTest.moc"
