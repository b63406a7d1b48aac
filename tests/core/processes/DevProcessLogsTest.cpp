#include "core/processes/DevProcessManager.h"
#include "support/FakeClock.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

QStringList texts(const QList<DevProcessLogLine> &lines)
{
    QStringList result;
    for (const DevProcessLogLine &line : lines)
        result.append(line.text);
    return result;
}

} // namespace

// The log rules of the process manager, without child processes.
class DevProcessLogsTest : public QObject {
    Q_OBJECT

private:
    test::FakeClock m_clock;

private Q_SLOTS:
    void linesAreSplitAndBlankOnesDropped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("line feeds") << u"a\n\n  \nb\n"_s << QStringList({u"a"_s, u"b"_s});
        QTest::newRow("crlf") << u"a\r\n\r\n  \r\nb\r\n"_s << QStringList({u"a"_s, u"b"_s});
        QTest::newRow("every kind of break")
            << u"1\u000B2\u000C3\r4\u00855\u20286\u20297"_s
            << QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s});
        QTest::newRow("indentation kept")
            << u"  indented \n\tTab"_s << QStringList({u"  indented "_s, u"\tTab"_s});
    }

    void linesAreSplitAndBlankOnesDropped()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        DevProcessManager manager(m_clock);
        const QUuid project = QUuid::createUuid();
        manager.appendLog(text, project, true);
        const QList<DevProcessLogLine> log = manager.logs(project);
        QCOMPARE(texts(log), expected);
        for (const DevProcessLogLine &line : log) {
            QVERIFY(line.isError);
            QVERIFY(!line.serviceID && !line.serviceName);
            QCOMPARE(line.date, m_clock.now());
        }
    }

    void blankTextChangesNothing()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy logSpy(&manager, &DevProcessManager::logsDidChange);
        const QUuid project = QUuid::createUuid();
        manager.appendLog(u"  \n \r\n\t"_s, project, false);
        QCOMPARE(logSpy.size(), 0);
        QVERIFY(manager.logs(project).isEmpty());
    }

    void logKeepsTheNewestLines()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy logSpy(&manager, &DevProcessManager::logsDidChange);
        const QUuid project = QUuid::createUuid();
        const QUuid service = QUuid::createUuid();
        QStringList first;
        for (int i = 1; i <= 499; ++i)
            first.append(QString::number(i));
        manager.appendLog(first.join(u'\n'), project, false);
        m_clock.advance(1);
        manager.appendLog(u"500\n501\n502"_s, project, false, service, u"web"_s);

        const QList<DevProcessLogLine> log = manager.logs(project);
        QCOMPARE(log.size(), 500);
        QCOMPARE(log.first().text, u"3"_s);
        QCOMPARE(log.last().text, u"502"_s);
        QCOMPARE(log.last().serviceID, std::optional<QUuid>(service));
        QCOMPARE(log.last().serviceName, std::optional<QString>(u"web"_s));
        QCOMPARE(log.last().date, m_clock.now());
        QSet<QUuid> ids;
        for (const DevProcessLogLine &line : log) {
            QCOMPARE(line.id.version(), QUuid::Random);
            QCOMPARE(line.id.variant(), QUuid::DCE);
            ids.insert(line.id);
        }
        QCOMPARE(ids.size(), 500);
        QCOMPARE(logSpy.size(), 2);
        QCOMPARE(logSpy.last().at(1).value<QList<DevProcessLogLine>>(), log);
    }

    void clearingReportsAnEmptyLog()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy logSpy(&manager, &DevProcessManager::logsDidChange);
        const QUuid project = QUuid::createUuid();
        manager.clearLogs(project);
        QCOMPARE(logSpy.size(), 1);
        QCOMPARE(logSpy.first().at(0).toUuid(), project);
        QVERIFY(logSpy.first().at(1).value<QList<DevProcessLogLine>>().isEmpty());

        manager.appendLog(u"line"_s, project, false);
        manager.clearLogs(project);
        QVERIFY(manager.logs(project).isEmpty());
    }
};

QTEST_GUILESS_MAIN(DevProcessLogsTest)
#include "DevProcessLogsTest.moc"
