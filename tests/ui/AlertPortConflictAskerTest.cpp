#include "ui/shell/AlertPortConflictAsker.h"

#include "ShellDoubles.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(PortConflictResolution)

class AlertPortConflictAskerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QList<int>>("script");
        QTest::addColumn<PortConflictResolution>("expected");
        QTest::newRow("enter, escape or closing") << QList<int>{} << PortConflictResolution::cancel;
        QTest::newRow("close") << QList<int>{0} << PortConflictResolution::cancel;
        QTest::newRow("free the port") << QList<int>{1} << PortConflictResolution::freePort;
        QTest::newRow("continue anyway") << QList<int>{2} << PortConflictResolution::continueAnyway;
        QTest::newRow("unknown button") << QList<int>{7} << PortConflictResolution::cancel;
    }

    void answers()
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

QTEST_GUILESS_MAIN(AlertPortConflictAskerTest)
#include "AlertPortConflictAskerTest.moc"
