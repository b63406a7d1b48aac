#include "core/logs/ProjectLogListModel.h"

#include "core/processes/DevProcessManager.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

const QUuid kWeb = QUuid::createUuid();
const QUuid kApi = QUuid::createUuid();

// A two-service project's log with project-level lines, errors of both
// services and of the project.
QList<DevProcessLogLine> twoServiceLog()
{
    const auto line = [](const QString &text, bool isError, std::optional<QUuid> service) {
        return DevProcessLogLine{QUuid::createUuid(), Timestamp(), text, isError, service, std::nullopt};
    };
    return {
        line(u"Starting the dev process…"_s, false, std::nullopt),
        line(u"[web] ready on 3000"_s, false, kWeb),
        line(u"[api] Error: EADDRINUSE"_s, true, kApi),
        line(u"[web] GET /index 200"_s, false, kWeb),
        line(u"[api] listening"_s, false, kApi),
        line(u"Process exited with code 1"_s, true, std::nullopt),
        line(u"[web] warn: Deprecated call"_s, true, kWeb),
    };
}

QStringList texts(const QList<DevProcessLogLine> &lines)
{
    QStringList result;
    for (const DevProcessLogLine &line : lines)
        result.append(line.text);
    return result;
}

QStringList modelTexts(const ProjectLogListModel &model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result.append(model.data(model.index(row)).toString());
    return result;
}

} // namespace

class ProjectLogListModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filters_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QList<int>>("shown");

        const int all = int(ProcessLogFilter::all);
        const int output = int(ProcessLogFilter::output);
        const int errors = int(ProcessLogFilter::errors);
        QTest::newRow("everything") << all << QString() << QString() << QList<int>{0, 1, 2, 3, 4, 5, 6};
        QTest::newRow("output") << output << QString() << QString() << QList<int>{0, 1, 3, 4};
        QTest::newRow("errors") << errors << QString() << QString() << QList<int>{2, 5, 6};
        QTest::newRow("one service hides project lines")
            << all << u"web"_s << QString() << QList<int>{1, 3, 6};
        QTest::newRow("blank search") << all << QString() << u" \n\t "_s << QList<int>{0, 1, 2, 3, 4, 5, 6};
        QTest::newRow("search ignores case") << all << QString() << u"ERROR"_s << QList<int>{2};
        QTest::newRow("search is trimmed") << all << QString() << u"\n exited \n"_s << QList<int>{5};
        QTest::newRow("search by service name") << all << QString() << u"[api]"_s << QList<int>{2, 4};
        QTest::newRow("search text only, not the time") << all << QString() << u"00:"_s << QList<int>{};
        QTest::newRow("errors of one service") << errors << u"api"_s << QString() << QList<int>{2};
        QTest::newRow("all three") << errors << u"web"_s << u"deprecated"_s << QList<int>{6};
    }
    void filters()
    {
        QFETCH(int, kind);
        QFETCH(QString, service);
        QFETCH(QString, search);
        QFETCH(QList<int>, shown);

        const QList<DevProcessLogLine> log = twoServiceLog();
        ProjectLogListModel model;
        QAbstractItemModelTester tester(&model);
        model.setLog(log);
        LogLineFilter filter{ProcessLogFilter(kind), std::nullopt, search};
        if (!service.isEmpty())
            filter.serviceID = service == u"web" ? kWeb : kApi;
        model.setFilter(filter);

        QStringList expected;
        for (const int index : shown)
            expected.append(log.at(index).text);
        QCOMPARE(modelTexts(model), expected);
        QCOMPARE(texts(model.displayedLines()), expected);
        QVERIFY(!model.isLogEmpty());

        // Back to no filter, every line returns in its order.
        model.setFilter({});
        QCOMPARE(modelTexts(model), texts(log));
    }

    // The manager's own log, fed line by line past its cap, then cleared:
    // the model follows with row moves alone and always shows what a fresh
    // filtering of the whole log shows.
    void followsTheLogIncrementally_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("every line") << int(ProcessLogFilter::all);
        QTest::newRow("errors only") << int(ProcessLogFilter::errors);
    }
    void followsTheLogIncrementally()
    {
        QFETCH(int, kind);
        test::FakeClock clock;
        DevProcessManager manager(clock);
        const QUuid project = QUuid::createUuid();
        ProjectLogListModel model;
        QAbstractItemModelTester tester(&model);
        model.setFilter({ProcessLogFilter(kind), std::nullopt, {}});
        manager.appendLog(u"first"_s, project, false);
        model.setLog(manager.logs(project));

        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QPersistentModelIndex watched;
        QUuid watchedID;
        const auto expected = [&] {
            QList<DevProcessLogLine> lines = manager.logs(project);
            lines.removeIf([&model](const DevProcessLogLine &line) { return !model.filter().passes(line); });
            return texts(lines);
        };
        for (int i = 0; i < DevProcessManager::kMaxLogLines + 40; ++i) {
            // Sometimes several lines arrive in one report.
            manager.appendLog(i % 7 == 0 ? u"line %1\nmore %1"_s.arg(i) : u"line %1"_s.arg(i), project,
                              i % 3 == 0);
            model.setLog(manager.logs(project));
            if (i == DevProcessManager::kMaxLogLines - 20) {
                watched = model.index(model.rowCount() - 1);
                watchedID = model.line(watched.row()).id;
            }
        }
        QCOMPARE(modelTexts(model), expected());
        QCOMPARE(resets.size(), 0);
        QVERIFY(watched.isValid());
        QCOMPARE(model.data(watched, ProjectLogListModel::LineIDRole).toUuid(), watchedID);
        QCOMPARE(model.lastLineID(), manager.logs(project).constLast().id);

        manager.clearLogs(project);
        model.setLog(manager.logs(project));
        QCOMPARE(resets.size(), 1);
        QVERIFY(model.isLogEmpty());
        QCOMPARE(model.rowCount(), 0);

        // Another log that does not continue this one starts over.
        manager.appendLog(u"again"_s, project, true);
        model.setLog(manager.logs(project));
        const QUuid other = QUuid::createUuid();
        manager.appendLog(u"elsewhere"_s, other, true);
        model.setLog(manager.logs(other));
        QCOMPARE(modelTexts(model), QStringList{u"elsewhere"_s});
    }

    void copiesDisplayedLinesWithTheirTimes()
    {
        const test::ScopedTimeZone zone("Europe/Madrid");
        const Timestamp at = test::localTime(2026, 3, 2, 9, 5, 7);
        QList<DevProcessLogLine> lines;
        for (const QString &text : {u"a"_s, u"b"_s, u"c"_s})
            lines.append({QUuid::createUuid(), at, text, false, std::nullopt, std::nullopt});
        lines[2].date = test::localTime(2026, 3, 2, 21, 0, 59);
        QCOMPARE(LogLines::copyText(lines), u"[09:05:07] a\n[09:05:07] b\n[21:00:59] c"_s);
        QCOMPARE(LogLines::copyText({}), QString());
    }
};

QTEST_GUILESS_MAIN(ProjectLogListModelTest)
#include "ProjectLogListModelTest.moc"
