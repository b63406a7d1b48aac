#include "ShellDoubles.h"
#include "ui/shell/AlertPortConflictAsker.h"
#include "ui/shell/QuitCoordinator.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(PortConflictResolution)

// The shell's questions through the alert seam: the harmless answer is the
// default, and only a known button does anything.
class ShellQuestionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quitQuestion_data()
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

    void quitQuestion()
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

    void portConflictQuestion_data()
    {
        QTest::addColumn<QList<int>>("script");
        QTest::addColumn<PortConflictResolution>("expected");
        QTest::newRow("enter, escape or closing") << QList<int>{} << PortConflictResolution::cancel;
        QTest::newRow("close") << QList<int>{0} << PortConflictResolution::cancel;
        QTest::newRow("free the port") << QList<int>{1} << PortConflictResolution::freePort;
        QTest::newRow("continue anyway") << QList<int>{2} << PortConflictResolution::continueAnyway;
        QTest::newRow("unknown button") << QList<int>{7} << PortConflictResolution::cancel;
    }

    void portConflictQuestion()
    {
        QFETCH(QList<int>, script);
        QFETCH(PortConflictResolution, expected);
        test::ScriptedAlertAsker alerts;
        alerts.answers = script;
        AlertPortConflictAsker asker(alerts);
        const PortConflictQuestion question{u"Port 3000 is in use"_s, u"node (pid 42) listens there."_s,
                                            u"Close"_s, u"Free Port"_s, u"Continue Anyway"_s};
        QCOMPARE(asker.ask(question), expected);
        QCOMPARE(alerts.asked.size(), 1);
        const AlertRequest &request = alerts.asked.constFirst();
        QCOMPARE(request.buttons, (QStringList{u"Close"_s, u"Free Port"_s, u"Continue Anyway"_s}));
        QCOMPARE(request.harmlessButton, 0);
        QCOMPARE(request.message, question.title);
    }
};

QTEST_GUILESS_MAIN(ShellQuestionsTest)
#include "ShellQuestionsTest.moc"
