#include "UsageTestSupport.h"
#include "core/foundation/Clock.h"
#include "core/usage/UsageSessionCoding.h"
#include "support/DamagedCopies.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

namespace {

const QString kShopID = u"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s;

Timestamp seconds(double value)
{
    return Timestamp::fromSecondsSinceReference(value);
}

// A list of one session object with extra members at its end and the given
// project name.
QByteArray listOfOne(const QByteArray &extra, const QByteArray &name = "\"Shop\"")
{
    return "[{\"id\": \"0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01\", \"projectID\": "
           "\"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E\", \"projectName\": " +
           name +
           ", \"client\": \"\", \"stack\": \"\", \"source\": \"playButton\", \"startedAt\": 737409600,"
           " \"endedAt\": 737413200" +
           extra + "}]";
}

ProjectUsageSession session(const char *id, const char *projectID, const QString &name, const QString &client,
                            const QString &stack, ProjectUsageSessionSource source, double startedAt,
                            double endedAt, double pausedDuration)
{
    ProjectUsageSession session =
        test::makeSession(test::makeProject(name, client, stack, QLatin1String(projectID)),
                          seconds(startedAt), seconds(endedAt), pausedDuration);
    session.id = QUuid::fromString(QLatin1String(id));
    session.source = source;
    return session;
}

// Given out of time order: the export keeps the order it is handed.
QList<ProjectUsageSession> sampleSessions()
{
    using Source = ProjectUsageSessionSource;
    return {
        session("55555555-5555-4555-8555-555555555555", "eeeeeeee-eeee-4eee-8eee-eeeeeeeeeeee", u"Café ☕"_s,
                u"Ünïcode"_s, {}, Source::startWorkspace, 737209999.999, 737213599.999, 0),
        // 90.5 seconds tracked, starting three quarters into a second.
        session("11111111-1111-4111-8111-111111111111", "aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa",
                u"Shop, \"new\""_s, u"Acme"_s, u"Vue"_s, Source::playButton, 737281800.75, 737281901.25, 10),
        session("22222222-2222-4222-8222-222222222222", "bbbbbbbb-bbbb-4bbb-8bbb-bbbbbbbbbbbb",
                u"Say \"hi\""_s, u"Line one\r\nLine two"_s, {}, Source::startWorkspace, 737290000,
                737290090.4, 0),
        session("33333333-3333-4333-8333-333333333333", "cccccccc-cccc-4ccc-8ccc-cccccccccccc", u"Plain"_s,
                u"CR\ronly"_s, u"Next.js"_s, Source::playButton, 737300000, 737300060, 120),
        session("44444444-4444-4444-8444-444444444444", "dddddddd-dddd-4ddd-8ddd-dddddddddddd", u"Minus"_s,
                {}, {}, Source::playButton, 737310000, 737310060, -4.6),
    };
}

// A history of `count` sessions of an hour, on days of their own, as Devnook
// writes it.
QByteArray historyOf(int count)
{
    const DevProject shop = test::makeProject(u"Shop"_s, {}, {}, kShopID);
    QList<ProjectUsageSession> sessions;
    for (int day = 1; day <= count; ++day)
        sessions.append(test::makeSession(shop, localTime(2024, 5, day, 9), localTime(2024, 5, day, 10)));
    return UsageSessionCoding::encodeSessionFile(sessions, {}, {}).value();
}

// The text with the comma after each of the given sessions dropped, what
// stands between the sessions replaced by `between`.
QByteArray withoutCommas(QByteArray text, const QList<int> &after, const QByteArray &between = "\n  ")
{
    const QByteArray separator = "\n  },\n  {";
    QList<qsizetype> at;
    for (qsizetype found = text.indexOf(separator); found >= 0; found = text.indexOf(separator, found + 1))
        at.append(found);
    for (auto session = after.crbegin(); session != after.crend(); ++session)
        text.replace(at[*session] + 1, separator.size() - 2, QByteArray("  }").append(between));
    return text;
}

} // namespace

class UsageSessionFileTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::UsageHome> m_home;

    QString sessionsFile() const { return m_home->dir.filePath(u"Devnook/usage_sessions.json"_s); }
    QStringList asideCopies() const
    {
        return QDir(m_home->dir.filePath(u"Devnook"_s)).entryList({u"usage_sessions.json.unreadable-*"_s});
    }
    QByteArray asideBytes() const
    {
        return test::readFile(m_home->dir.filePath(u"Devnook/"_s + asideCopies().value(0)));
    }
    std::unique_ptr<UsageTrackingService> makeService()
    {
        auto service = std::make_unique<UsageTrackingService>(m_home->dir.path(), m_home->clock);
        service->waitForFiles();
        return service;
    }
    static void recordOneSession(UsageTrackingService &service)
    {
        const DevProject project = test::makeProject(u"Fresh"_s);
        service.start(project, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service.stop(project.id, localTime(2024, 6, 1, 10));
        service.waitForFiles();
    }
    // The stored objects by id, as JSON reads them; a pause that is not
    // given is written as 0.
    QHash<QString, QJsonObject> storedObjects(const QByteArray &json) const
    {
        QHash<QString, QJsonObject> objects;
        const QJsonArray array = QJsonDocument::fromJson(json).array();
        for (const QJsonValue &value : array) {
            QJsonObject object = value.toObject();
            if (!object.contains(u"pausedDuration"_s))
                object.insert(u"pausedDuration"_s, 0);
            objects.insert(value[u"id"_s].toString().toUpper(), object);
        }
        return objects;
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<test::UsageHome>();
        m_home->clock.set(localTime(2024, 6, 1, 12));
    }
    void cleanup() { m_home.reset(); }

    void missingFileReadsEmptyAndCreatesNothing()
    {
        QVERIFY(makeService()->completedSessions().isEmpty());
        QVERIFY(!QFileInfo::exists(m_home->dir.filePath(u"Devnook"_s)));
    }

    void aDataFolderThatIsAFileIsReportedOnLoadAndSave()
    {
        test::writeFile(m_home->dir.filePath(u"Devnook"_s), "not a folder");
        const auto service = makeService();
        QVERIFY2(service->fileProblem().startsWith(u"Could not read the usage history: "_s),
                 qPrintable(service->fileProblem()));
        recordOneSession(*service);
        QVERIFY(service->fileProblem().startsWith(u"Could not save the usage history: "_s));
        QCOMPARE(service->completedSessions().size(), 1);
    }

    void storedSessionsAreCutSortedAndLeftOnDiskUntilTheNextSave()
    {
        const QByteArray original = test::readData(u"usage-sessions-valid.json"_s);
        test::writeFile(sessionsFile(), original);
        const auto service = makeService();
        const QList<ProjectUsageSession> sessions = service->completedSessions();
        QCOMPARE(sessions.size(), 4);
        QCOMPARE(sessions[0].projectName, u"Blog"_s);
        QCOMPARE(sessions[0].pausedDuration, 0.0);
        // Written by hand: small-letter ids, a null pause, a member of its own.
        ProjectUsageSession handWritten =
            test::makeSession(test::makeProject(u"Shop"_s, {}, {}, u"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s),
                              seconds(737276400), seconds(737281800.25));
        handWritten.id = QUuid::fromString(u"1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0"_s);
        handWritten.source = ProjectUsageSessionSource::startWorkspace;
        handWritten.unknownMembers = {{"note", "\"written by hand\""}};
        QCOMPARE(sessions[1], handWritten);
        // Cut at midnight, the hour of pause spread over the two days.
        QCOMPARE(sessions[2].projectName, u"Shop, \"new\""_s);
        QCOMPARE(sessions[2].endedAt, localTime(2024, 5, 15));
        QCOMPARE(sessions[3].startedAt, localTime(2024, 5, 15));
        QCOMPARE(sessions[2].pausedDuration, 1800.0);
        QCOMPARE(sessions[3].pausedDuration, 1800.0);
        QCOMPARE(test::readFile(sessionsFile()), original);
        QVERIFY(asideCopies().isEmpty());

        recordOneSession(*service);
        // Written back with ids in capitals and a pause of 0 for the null.
        const QByteArray written = test::readFile(sessionsFile());
        QVERIFY2(written.contains("\"id\": \"1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0\"") &&
                     !written.contains("null"),
                 written.constData());
        const QList<ProjectUsageSession> reread = makeService()->completedSessions();
        QCOMPARE(reread.size(), 5);
        QCOMPARE(reread.mid(0, 4), sessions);
    }

    void damagedFileIsKeptAsideAndEverySessionThatReadsIsLoaded_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("readable");
        for (const char *name : {"null-required", "wrong-type", "not-an-object", "truncated"})
            QTest::newRow(name) << u"usage-sessions-%1.json"_s.arg(QLatin1String(name)) << 1;
        QTest::newRow("bad id between good ones") << u"usage-sessions-bad-uuid.json"_s << 2;
        QTest::newRow("object at the top") << u"usage-sessions-object-top-level.json"_s << 0;
    }

    void damagedFileIsKeptAsideAndEverySessionThatReadsIsLoaded()
    {
        QFETCH(QString, fileName);
        QFETCH(int, readable);
        const QByteArray damaged = test::readData(fileName);
        test::writeFile(sessionsFile(), damaged);

        const auto service = makeService();
        QCOMPARE(service->completedSessions().size(), readable);
        QCOMPARE(asideCopies(), QStringList{u"usage_sessions.json.unreadable-20240601-100000"_s});
        QCOMPARE(asideBytes(), damaged);
        QVERIFY2(service->fileProblem().startsWith(u"1 usage session could not be read:\n"_s),
                 qPrintable(service->fileProblem()));
        QVERIFY(service->fileProblem().contains(asideCopies().value(0)));
        recordOneSession(*service);
        QCOMPARE(makeService()->completedSessions().size(), readable + 1);
        QCOMPARE(asideCopies().size(), 1);
    }

    // A history that an editor gave a byte-order mark reads whole, and an
    // empty one (a write cut off before its first byte) is an empty history:
    // neither is set aside, and the next save keeps what was there.
    void historiesThatReadWhole_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("readable");
        QTest::newRow("byte-order mark")
            << "\xEF\xBB\xBF" + test::readData(u"usage-sessions-valid.json"_s) << 4;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("white space alone") << QByteArray(" \n\t\r\n") << 0;
    }

    void historiesThatReadWhole()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, readable);
        test::writeFile(sessionsFile(), stored);
        auto service = makeService();
        QCOMPARE(service->completedSessions().size(), readable);
        QCOMPARE(service->fileProblem(), QString());
        recordOneSession(*service);
        QCOMPARE(makeService()->completedSessions().size(), readable + 1);
        QVERIFY(asideCopies().isEmpty());
    }

    // A broken session costs that session alone, however deep it nests: the
    // ones after it load, and the next save keeps them.
    void sessionsAfterABrokenOneStillLoad_data()
    {
        QTest::addColumn<QByteArray>("broken");
        QTest::addColumn<QString>("reason");
        const auto object = [](const QByteArray &extra) { return listOfOne(extra).sliced(1).chopped(1); };
        for (const int depth : {2000, 100000})
            QTest::addRow("nested %d levels", depth)
                << object(", \"future\": " + QByteArray(depth, '[') + QByteArray(depth, ']'))
                << u"nested too deeply"_s;
        QTest::newRow("number out of range")
            << object(", \"pausedDuration\": 1e400") << u"number out of range of a double"_s;
        QTest::newRow("NUL bytes before a session")
            << QByteArray(2, '\0') + object({}) << u"unexpected character"_s;
    }

    void sessionsAfterABrokenOneStillLoad()
    {
        QFETCH(QByteArray, broken);
        QFETCH(QString, reason);
        const QByteArray valid = test::readData(u"usage-sessions-valid.json"_s);
        test::writeFile(sessionsFile(), valid);
        const qsizetype healthy = makeService()->completedSessions().size();
        const QByteArray damaged = "[" + broken + "," + valid.sliced(valid.indexOf('[') + 1);
        test::writeFile(sessionsFile(), damaged);

        auto service = makeService();
        QCOMPARE(service->completedSessions().size(), healthy);
        const QString problem = service->fileProblem();
        QVERIFY2(problem.startsWith(u"1 usage session could not be read:\nsession 1: "_s) &&
                     problem.contains(reason),
                 qPrintable(problem));
        QCOMPARE(asideBytes(), damaged);
        recordOneSession(*service);
        QCOMPARE(makeService()->completedSessions().size(), healthy + 1);
    }

    // A session cut inside, with a bracket or a string left open, costs that
    // session alone: those after it load and stay in the file, and the arrays
    // of objects it holds are not taken for sessions, also when they start
    // lines at the sessions' indentation.
    void aSessionCutInsideCostsItAlone_data()
    {
        QTest::addColumn<QByteArray>("cut");
        QTest::newRow("bracket left open") << QByteArray("\"x\": [1, 2,");
        QTest::newRow("string left open") << QByteArray("\"x\": \"abc");
        QTest::newRow("object at the sessions' indentation") << QByteArray("\"x\": [\n  {\"a\": 1}");
    }

    void aSessionCutInsideCostsItAlone()
    {
        QFETCH(QByteArray, cut);
        const QList<ProjectUsageSession> sessions = sampleSessions().mid(0, 4);
        QByteArray damaged = UsageSessionCoding::encodeSessionFile(sessions, {}, {}).value();
        const qsizetype secondEnd = damaged.indexOf("\n  }", damaged.indexOf("\n  }") + 1);
        damaged.insert(secondEnd,
                       ",\n    \"notes\": [\n      {\"a\": 1},\n      {\"b\": 2}\n    ],\n    " + cut);
        test::writeFile(sessionsFile(), damaged);

        const QSet<QUuid> kept{sessions[0].id, sessions[2].id, sessions[3].id};
        const auto ids = [](const QList<ProjectUsageSession> &read) {
            QSet<QUuid> result;
            for (const ProjectUsageSession &session : read)
                result.insert(session.id);
            return result;
        };
        auto service = makeService();
        QCOMPARE(ids(service->completedSessions()), kept);
        const QString problem = service->fileProblem();
        QVERIFY2(problem.startsWith(u"1 usage session could not be read:\nsession 2: "_s),
                 qPrintable(problem));
        QCOMPARE(asideBytes(), damaged);
        recordOneSession(*service);
        QCOMPARE(ids(makeService()->completedSessions()).intersect(kept), kept);
    }

    // Whole sessions whose comma an edit dropped are all read, however the
    // file is laid out: what the file lacked is told as a session that could
    // not be read is, the file as it was is kept aside, and the next save
    // keeps every session. A damaged session beside a missing comma costs
    // that session alone.
    void sessionsWithoutACommaBetweenThemAreRead_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("read");
        QTest::addColumn<QString>("told");
        const QByteArray history = historyOf(6);
        const auto missing = [](int first) {
            return u"sessions %1 and %2 had no comma between them; both were read\n"_s.arg(first).arg(first +
                                                                                                      1);
        };
        QTest::newRow("after the first") << withoutCommas(history, {0}) << 6 << missing(1);
        QTest::newRow("last two") << withoutCommas(history, {4}) << 6 << missing(5);
        QTest::newRow("every comma") << withoutCommas(history, {0, 1, 2, 3, 4}) << 6
                                     << missing(1) + missing(2) + missing(3) + missing(4) + missing(5);
        QTest::newRow("nothing between") << withoutCommas(history, {2}, {}) << 6 << missing(3);
        QTest::newRow("white space and lines between")
            << withoutCommas(history, {2}, " \t\r\n\n  ") << 6 << missing(3);
        QTest::newRow("on one line")
            << QJsonDocument::fromJson(history).toJson(QJsonDocument::Compact).replace("},{", "}{") << 6
            << missing(1) + missing(2) + missing(3) + missing(4) + missing(5);

        QByteArray badId = history;
        const qsizetype secondId = badId.indexOf("\"id\": ", badId.indexOf("\n  },\n  {"));
        badId.replace(secondId, QByteArrayView("\"id\": \"").size() + 36, "\"id\": \"not a uuid");
        const QString secondLost =
            u"1 usage session could not be read:\nsession 2: key \"id\" is not a UUID\n"_s;
        QTest::newRow("before a damaged session") << withoutCommas(badId, {0}) << 5 << secondLost;
        QTest::newRow("after a damaged session") << withoutCommas(badId, {1}) << 5 << secondLost;
        // Two sessions with other text for their comma are both counted
        // lost, and the sessions after them numbered as the file has them.
        QByteArray lastBad = history;
        const qsizetype sixthId = lastBad.lastIndexOf("\"id\": ");
        lastBad.replace(sixthId, QByteArrayView("\"id\": \"").size() + 36, "\"id\": \"not a uuid");
        const QByteArray otherText = withoutCommas(lastBad, {1}, "\n  x\n  ");
        QTest::newRow("other text for a comma")
            << otherText << 3
            << u"3 usage sessions could not be read:\nsession 2: not valid JSON at offset %1: expected ',' "
               u"or "
               u"']'\nsession 6: key \"id\" is not a UUID\nand 1 more session\n"_s.arg(
                   otherText.indexOf("\n  x\n") + 3);
        // Past the reasons told, a lost session is still counted.
        QByteArray twelve = historyOf(12);
        const qsizetype lastId = twelve.lastIndexOf("\"id\": ");
        twelve.replace(lastId, QByteArrayView("\"id\": \"").size() + 36, "\"id\": \"not a uuid");
        QString tenMissing = u"1 usage session could not be read:\n"_s;
        for (int first = 1; first <= 10; ++first)
            tenMissing += missing(first);
        QTest::newRow("eleven without commas, then a damaged session")
            << withoutCommas(twelve, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) << 11
            << tenMissing + u"and 1 more session\n"_s;
        QByteArray broken = history;
        broken.insert(broken.indexOf("\"id\": ", broken.indexOf("\n  },\n  {")), "\"x\": \"abc");
        QTest::newRow("after a session broken inside")
            << withoutCommas(broken, {1}) << 5 << u"1 usage session could not be read:\nsession 2: "_s;
    }

    void sessionsWithoutACommaBetweenThemAreRead()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, read);
        QFETCH(QString, told);
        test::writeFile(sessionsFile(), stored);
        auto service = makeService();
        QCOMPARE(service->completedSessions().size(), read);
        const QString problem = service->fileProblem();
        QVERIFY2(problem.startsWith(told) && problem.contains(u"The file as it was is kept as "_s),
                 qPrintable(problem));
        QCOMPARE(asideBytes(), stored);
        recordOneSession(*service);
        const auto decoded = UsageSessionCoding::decodeSessions(test::readFile(sessionsFile()));
        QCOMPARE(decoded.sessions.size(), read + 1);
        QVERIFY(decoded.unreadable.isEmpty());
    }

    // However a history is damaged, by a cut or by a byte lost anywhere, and
    // however it is laid out, the sessions told lost are never fewer than
    // those begun in it that did not load.
    void noDamageIsToldToCostFewerSessionsThanItDid()
    {
        QByteArray history = historyOf(3);
        history.insert(history.indexOf("\"id\": "), "\"notes\": [{\"a\": 1}, {\"b\": 2}], ");
        const QByteArray compact = QJsonDocument::fromJson(history).toJson(QJsonDocument::Compact);
        for (const QByteArray &whole : {history, compact, QByteArray(history).replace("[\n  {", "[{")}) {
            const QList<qsizetype> starts = test::recordStarts(whole, "\"client\"");
            QCOMPARE(starts.size(), 3);
            for (const auto &[damaged, begun] : test::damagedCopies(whole, starts)) {
                const auto decoded = UsageSessionCoding::decodeSessions(damaged);
                const qsizetype missing = begun - decoded.sessions.size() - decoded.keptAsStored.size();
                QVERIFY2(decoded.unreadable.count >= missing,
                         qPrintable(u"%1 lost, %2 told:\n%3"_s.arg(missing)
                                        .arg(decoded.unreadable.count)
                                        .arg(QString::fromUtf8(damaged))));
            }
        }
    }

    // A file whose first session shares the bracket's line is not laid out
    // as Devnook writes: a line that starts with "{" may start anything
    // there, so nothing after a break is taken for a session, least of all
    // the objects the broken one holds; all that follows it is counted lost.
    void aFileOfAnotherLayoutLosesWhatFollowsABreak()
    {
        const auto object = [](const QByteArray &extra) { return listOfOne(extra).sliced(1).chopped(1); };
        const QByteArray broken = object(", \"notes\": [\n{\"a\": 1},\n{\"b\": 2}\n], \"x\": [1, 2,");
        const auto decoded = UsageSessionCoding::decodeSessions("[" + object({}) + ",\n" + broken + ",\n" +
                                                                object({}) + "\n]\n");
        QCOMPARE(decoded.sessions.size(), 1);
        QVERIFY2(decoded.unreadable.reasons.size() == 1 &&
                     decoded.unreadable.reasons.value(0).startsWith(u"not valid JSON at offset "_s),
                 qPrintable(decoded.unreadable.reasons.join(u'\n')));
        // Both sessions after the break are told lost, though neither is named.
        QCOMPARE(decoded.unreadable.count, 2);
        QVERIFY(decoded.unreadable.told(u"usage_sessions_unreadable"_s, u"usage_sessions_unreadable_more"_s)
                    .endsWith(u"\nand 1 more session"_s));
    }

    // A clock that jumped, or a hand edit: such a session is neither cut nor
    // counted nor dropped, and goes back to the file as it came.
    void sessionsThatCannotBeCountedStayAsStored_data()
    {
        QTest::addColumn<QString>("fileName");
        for (const char *name : {"absurd-length", "reversed", "absurd-end", "absurd-pause"})
            QTest::newRow(name) << u"usage-sessions-%1.json"_s.arg(QLatin1String(name));
    }

    void sessionsThatCannotBeCountedStayAsStored()
    {
        QFETCH(QString, fileName);
        const QByteArray original = test::readData(fileName);
        test::writeFile(sessionsFile(), original);
        const QString oddID = u"0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01"_s;

        auto service = makeService();
        QCOMPARE(service->completedSessions().size(), 1);
        QCOMPARE(service->uncountedSessions().size(), 1);
        QCOMPARE(service->summary(service->uncountedSessions().first().projectID, UsageCalendar::current(),
                                  m_home->clock.now()),
                 ProjectUsageSummary{});
        QVERIFY(asideCopies().isEmpty());
        QVERIFY2(service->fileProblem().startsWith(u"1 usage session is not counted"_s),
                 qPrintable(service->fileProblem()));

        recordOneSession(*service);
        const QByteArray written = test::readFile(sessionsFile());
        QVERIFY(written.size() < 2000);
        QCOMPARE(storedObjects(written).value(oddID), storedObjects(original).value(oddID));
        service = makeService();
        QCOMPARE(service->completedSessions().size(), 2);
        QCOMPARE(service->uncountedSessions().size(), 1);
        // Deleting the project takes it too.
        service->clearSessions(service->uncountedSessions().first().projectID);
        QVERIFY(service->uncountedSessions().isEmpty());
        QCOMPARE(service->fileProblem(), QString());
    }

    // A session whose source this version does not know (a later one, or a
    // known one in other letters) is whole: not damage to copy aside, not
    // counted anywhere, and back in the file exactly as it was read until
    // its project's sessions are cleared.
    void sessionsOfAnUnknownSourceAreKeptAsStored_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<QByteArray>("kept");
        const auto fileOf = [](const DevProject &project, Timestamp start, Timestamp end) {
            return UsageSessionCoding::encodeSessionFile({test::makeSession(project, start, end)}, {}, {})
                .value();
        };
        const QByteArray blog =
            fileOf(test::makeProject(u"Blog"_s), localTime(2024, 5, 31, 9), localTime(2024, 5, 31, 10));
        const QByteArray shop = fileOf(test::makeProject(u"Shop"_s, {}, {}, kShopID),
                                       localTime(2024, 5, 30, 9), localTime(2024, 5, 30, 11));
        const QByteArray later =
            shop.sliced(4, shop.size() - 7).replace("\"playButton\"", "\"scheduledTask\"");
        QTest::newRow("later source, laid out as this version writes")
            << blog.chopped(3) + ",\n  " + later + "\n]\n"
            << later;
        const QByteArray byHand = test::readData(u"usage-sessions-bad-source.json"_s);
        QTest::newRow("known source in other letters, written by hand")
            << byHand
            << byHand.sliced(byHand.indexOf("{\"projectID\""),
                             byHand.lastIndexOf('}') - byHand.indexOf("{\"projectID\"") + 1);
    }

    void sessionsOfAnUnknownSourceAreKeptAsStored()
    {
        QFETCH(QByteArray, original);
        QFETCH(QByteArray, kept);
        const QUuid shop = QUuid::fromString(kShopID);
        test::writeFile(sessionsFile(), original);

        auto service = makeService();
        QCOMPARE(service->completedSessions().size(), 1);
        QCOMPARE(service->summary(shop, UsageCalendar::current(), m_home->clock.now()),
                 ProjectUsageSummary{});
        const PeriodRange all =
            service->periodRange(UsageRollupPeriod::all, UsageCalendar::current(), m_home->clock.now());
        QCOMPARE(service->sessionsInPeriod(all, m_home->clock.now()).size(), 1);
        QVERIFY(asideCopies().isEmpty());
        QVERIFY2(service->fileProblem().startsWith(u"1 usage session has a source"_s),
                 qPrintable(service->fileProblem()));

        // Written back as it was read, last in the file.
        recordOneSession(*service);
        QVERIFY2(test::readFile(sessionsFile()).endsWith(QByteArray(",\n  " + kept + "\n]\n")),
                 test::readFile(sessionsFile()).constData());

        service->clearSessions(shop);
        service->waitForFiles();
        QVERIFY(!test::readFile(sessionsFile()).contains(kept));
        QCOMPARE(service->fileProblem(), QString());
        QCOMPARE(makeService()->completedSessions().size(), 2);
    }

    void unknownMembersAreWrittenBackUnchanged()
    {
        const QByteArray original = test::readData(u"usage-sessions-unknown-keys.json"_s);
        test::writeFile(sessionsFile(), original);
        const auto service = makeService();
        recordOneSession(*service);
        const QByteArray written = test::readFile(sessionsFile());
        const QHash<QString, QJsonObject> before = storedObjects(original);
        const QHash<QString, QJsonObject> after = storedObjects(written);
        QCOMPARE(after.size(), 3);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(after.value(it.key()), it.value());
        // Among the known keys in sorted order, each value as it was written.
        QVERIFY2(written.contains("  {\n    \"billable\": true,\n    \"client\": \"Self\",\n"),
                 written.constData());
        QVERIFY(written.contains(",\n    \"note\": {\"text\": \"caf\\u00e9 \\\"bar\\\"\", \"lines\": [1, "
                                 "2.5e3, null, false]},\n"));
        QVERIFY2(written.contains("\"startedAt\": 737200800,\n    \"zone\": \"Europe/Madrid\"\n  }"),
                 written.constData());
    }

    // The history is read on a worker; what is recorded meanwhile must not
    // replace it.
    void sessionsRecordedWhileTheFileIsReadAreAddedToIt()
    {
        test::writeFile(sessionsFile(), test::readData(u"usage-sessions-valid.json"_s));
        UsageTrackingService service(m_home->dir.path(), m_home->clock);
        const DevProject project = test::makeProject(u"Early"_s);
        service.start(project, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service.stop(project.id, localTime(2024, 6, 1, 10));
        QVERIFY(!service.isLoaded());
        QSignalSpy loaded(&service, &UsageTrackingService::sessionsLoaded);
        QVERIFY(loaded.wait());
        QCOMPARE(service.completedSessions().size(), 5);
        QCOMPARE(service.completedSessions().last().projectID, project.id);
        service.waitForFiles();
        QCOMPARE(makeService()->completedSessions().size(), 5);
    }

    // A reading put off until the panel is on screen: a quit before then still
    // reads the history before it saves what was recorded.
    void aPutOffReadingStartsOnRequestOrAtTheLatestOnQuit()
    {
        test::writeFile(sessionsFile(), test::readData(u"usage-sessions-valid.json"_s));
        UsageTrackingService service(m_home->dir.path(), m_home->clock,
                                     UsageTrackingService::kCheckpointInterval,
                                     UsageTrackingService::Reading::later);
        const DevProject project = test::makeProject(u"Early"_s);
        service.start(project, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service.stop(project.id, localTime(2024, 6, 1, 10));
        QSignalSpy loaded(&service, &UsageTrackingService::sessionsLoaded);
        QVERIFY(!loaded.wait(200));
        service.waitForFiles();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(makeService()->completedSessions().size(), 5);

        UsageTrackingService later(m_home->dir.path(), m_home->clock,
                                   UsageTrackingService::kCheckpointInterval,
                                   UsageTrackingService::Reading::later);
        QSignalSpy laterLoaded(&later, &UsageTrackingService::sessionsLoaded);
        later.startReading();
        QVERIFY(laterLoaded.wait());
        QCOMPARE(later.completedSessions().size(), 5);
    }

    // One job runs at a time and a waiting one is replaced by the next: the
    // file ends with the latest list, whatever came between.
    void savesInQuickSuccessionEndWithTheLatestState()
    {
        const auto service = makeService();
        auto *checkpointTimer = service->findChild<QTimer *>(u"usageCheckpointTimer"_s);
        QVERIFY(checkpointTimer);
        const DevProject project = test::makeProject(u"Busy"_s);
        for (int i = 0; i < 20; ++i) {
            service->start(project, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9, i));
            QVERIFY(checkpointTimer->isActive());
            QVERIFY(QMetaObject::invokeMethod(checkpointTimer, "timeout"));
            service->stop(project.id, localTime(2024, 6, 1, 9, i, 30));
            QVERIFY(!checkpointTimer->isActive());
        }
        // A checkpoint asked for while the last save still waits must not
        // take its place.
        QVERIFY(QMetaObject::invokeMethod(checkpointTimer, "timeout"));
        service->waitForFiles();
        QCOMPARE(makeService()->completedSessions().size(), 20);
        QVERIFY(!QFileInfo::exists(service->checkpointFilePath()));
    }

    // A run killed while it tracks (SIGKILL, a lost display, a power cut)
    // loses at most the time since its last checkpoint.
    void aKilledRunLosesAtMostOneCheckpointInterval()
    {
        const SystemClock clock;
        const Timestamp launched = clock.now();
        const QUuid projectID = QUuid::createUuid();
        QProcess tracker;
        tracker.start(QStringLiteral(DEVNOOK_USAGE_TRACKER),
                      {m_home->dir.path(), u"100"_s, projectID.toString(QUuid::WithoutBraces)});
        QVERIFY(tracker.waitForStarted());
        const QString checkpoint = m_home->dir.filePath(u"Devnook/usage_checkpoint.json"_s);
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(checkpoint); }, 10000));
        const QByteArray first = test::readFile(checkpoint);
        QVERIFY(QTest::qWaitFor([&] { return test::readFile(checkpoint) != first; }, 10000));
        tracker.kill();
        QVERIFY(tracker.waitForFinished());
        const Timestamp killed = clock.now();

        const QList<ProjectUsageSession> recovered = makeService()->completedSessions();
        QVERIFY(!recovered.isEmpty());
        QCOMPARE(recovered.first().projectID, projectID);
        QVERIFY(recovered.first().startedAt >= launched);
        QVERIFY2(recovered.last().endedAt.secondsTo(killed) < 2.0,
                 qPrintable(QString::number(recovered.last().endedAt.secondsTo(killed))));
        QVERIFY(!QFileInfo::exists(checkpoint));
        QCOMPARE(makeService()->completedSessions(), recovered);
    }

    void damagedFileIsNotOverwrittenWhileItCannotBeKeptAside()
    {
        const QByteArray damaged = test::readData(u"usage-sessions-null-required.json"_s);
        test::writeFile(sessionsFile(), damaged);
        std::unique_ptr<UsageTrackingService> service;
        {
            const test::FileSizeLimit limit(64);
            service = makeService();
            recordOneSession(*service);
        }
        QCOMPARE(test::readFile(sessionsFile()), damaged);
        QVERIFY(asideCopies().isEmpty());
        // A refused write is no copy made: the band still says why.
        QVERIFY2(service->fileProblem().contains(u"usage history could not be copied aside"_s),
                 qPrintable(service->fileProblem()));

        recordOneSession(*service);
        QCOMPARE(asideBytes(), damaged);
        // Told where the copy is, as when the reading makes it.
        const QString told = service->fileProblem();
        QVERIFY2(told.startsWith(u"1 usage session could not be read:\n"_s) && !told.contains(u"aside"_s) &&
                     told.endsWith(u"\nThe file as it was is kept as %1."_s.arg(
                         m_home->dir.filePath(u"Devnook/"_s + asideCopies().value(0)))),
                 qPrintable(told));
        recordOneSession(*service);
        QCOMPARE(service->fileProblem(), told);
        QCOMPARE(asideCopies().size(), 1);
        QCOMPARE(makeService()->completedSessions().size(), 4);
    }

    void onlySessionsThatReadBackExactlyAreWritten_data()
    {
        QTest::addColumn<double>("startedAt");
        QTest::addColumn<double>("endedAt");
        QTest::addColumn<double>("pausedDuration");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("fractions") << 737409600.123456789 << 737413200.5 << 1e-7 << true;
        QTest::newRow("negative pause") << 737200800.0 << 737204400.0 << -30.0 << true;
        QTest::newRow("earliest plausible") << -978307200.0 << -978307100.0 << 0.0 << true;
        QTest::newRow("before 1970") << -978307201.0 << 737204400.0 << 0.0 << false;
        QTest::newRow("after 2199") << 737200800.0 << 6279811201.0 << 0.0 << false;
        QTest::newRow("not a number") << 737200800.0 << qQNaN() << 0.0 << false;
        QTest::newRow("infinite pause") << 737200800.0 << 737204400.0 << qInf() << false;
        QTest::newRow("absurd pause") << 737200800.0 << 737204400.0 << 1e300 << false;
    }

    void onlySessionsThatReadBackExactlyAreWritten()
    {
        QFETCH(double, startedAt);
        QFETCH(double, endedAt);
        QFETCH(double, pausedDuration);
        QFETCH(bool, accepted);
        // Names with every kind of character that JSON must escape.
        QString name = u"Tab\there \"q\" \\ é "_s;
        for (char16_t c = 0; c < 0x20; ++c)
            name.append(QChar(c));
        ProjectUsageSession session =
            test::makeSession(test::makeProject(name), seconds(startedAt), seconds(endedAt), pausedDuration);
        session.client = u"line\r\nbreak"_s;
        const auto encoded = UsageSessionCoding::encodeSessions({session});
        QCOMPARE(encoded.isOk(), accepted);
        if (!accepted)
            return;
        const auto decoded = UsageSessionCoding::decodeSessions(encoded.value());
        QVERIFY2(decoded.unreadable.count == 0, qPrintable(decoded.unreadable.reasons.join(u'\n')));
        QCOMPARE(decoded.sessions, QList{session});
    }

    // The file is read by a scanner of our own, as strict as a JSON document
    // reader, so that a damaged file is recognised and kept aside. A row
    // with an error is refused; others read the given name and pause.
    void decodesExactlyWhatIsJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("projectName");
        QTest::addColumn<double>("pausedDuration");
        QTest::addColumn<QString>("error");
        const auto read = [](const char *name, const QByteArray &json, const QString &projectName = u"Shop"_s,
                             double pause = 0.0) {
            QTest::newRow(name) << json << projectName << pause << QString();
        };
        const auto refused = [](const char *name, const QByteArray &json, const QString &error) {
            QTest::newRow(name) << json << QString() << 0.0 << error;
        };
        const QByteArray good = listOfOne({});
        const QByteArray goodId = "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01";
        read("whitespace everywhere",
             "\r\n\t " + QByteArray(good).replace(":", " :\t").replace(",", " ,\n").replace("[", "[ \n") +
                 " \n");
        read("escapes", listOfOne({}, "\"Caf\\u00e9 \\\"\\\\\\/\\ud83d\\ude00\\n\""), u"Café \"\\/😀\n"_s);
        read("raw UTF-8", listOfOne({}, "\"Caf\xC3\xA9\""), u"Café"_s);
        read("exponent", listOfOne(", \"pausedDuration\": 1.5e+2"), u"Shop"_s, 150.0);
        read("unknown members of every kind",
             listOfOne(
                 ", \"note\": {\"a\": [1, true, false, null, {\"b\": \"}\"}], \"c\": -2E-3}, \"x\": []"));
        read("the later of two keys", listOfOne(", \"pausedDuration\": 5, \"pausedDuration\": 7"), u"Shop"_s,
             7.0);
        refused("text after the list", good + " x", u"unexpected text after the value"_s);
        refused("unknown source and no end",
                QByteArray(good).replace("playButton", "later").replace(", \"endedAt\": 737413200", ""),
                u"missing required key \"endedAt\""_s);
        refused("control character", listOfOne({}, "\"Sh\top\""), u"control character"_s);
        refused("invalid UTF-8", listOfOne({}, "\"Sh\xC3op\""), u"not a string of valid UTF-8"_s);
        refused("lone surrogate", listOfOne({}, "\"\\ud83d\""), u"invalid escape"_s);
        refused("unknown escape", listOfOne({}, "\"\\x41\""), u"invalid escape"_s);
        refused("too large for a double", listOfOne(", \"pausedDuration\": 1e400"), u"out of range"_s);
        refused("misspelt literal", listOfOne(", \"x\": nul"), u"unexpected character"_s);
        refused("id with a letter past f",
                QByteArray(good).replace(goodId, "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F0G"), u"not a UUID"_s);
        refused("id with a hyphen out of place",
                QByteArray(good).replace(goodId, "0A6F4C521-D7B-4E8A-9C3F-5B2E7D1A9F01"), u"not a UUID"_s);
        refused("nested too deeply", listOfOne(", \"x\": " + QByteArray(600, '[') + QByteArray(600, ']')),
                u"nested too deeply"_s);
    }

    void decodesExactlyWhatIsJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, projectName);
        QFETCH(double, pausedDuration);
        QFETCH(QString, error);
        const auto decoded = UsageSessionCoding::decodeSessions(json);
        if (!error.isEmpty()) {
            QCOMPARE(decoded.unreadable.count, 1);
            QVERIFY2(decoded.unreadable.reasons.value(0).contains(error),
                     qPrintable(decoded.unreadable.reasons.value(0)));
            return;
        }
        QVERIFY2(decoded.unreadable.count == 0, qPrintable(decoded.unreadable.reasons.join(u'\n')));
        QCOMPARE(decoded.sessions.size(), 1);
        QCOMPARE(decoded.sessions.first().projectName, projectName);
        QCOMPARE(decoded.sessions.first().pausedDuration, pausedDuration);
        QCOMPARE(decoded.sessions.first().endedAt, seconds(737413200));
    }

    void exportMatchesTheExpectedFileUnderEveryLocale_data()
    {
        QTest::addColumn<UsageExportFormat>("format");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expectedFile");
        for (const QString &locale : {u"en_US"_s, u"ca_ES"_s}) {
            QTest::addRow("csv %s", qPrintable(locale))
                << UsageExportFormat::csv << locale << u"usage-export-expected.csv"_s;
            QTest::addRow("json %s", qPrintable(locale))
                << UsageExportFormat::json << locale << u"usage-export-expected.json"_s;
        }
    }

    void exportMatchesTheExpectedFileUnderEveryLocale()
    {
        QFETCH(UsageExportFormat, format);
        QFETCH(QString, locale);
        QFETCH(QString, expectedFile);
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        const test::ScopedTimeZone timeZone("America/Santiago");

        const auto bytes = UsageTrackingService::exportSessions(sampleSessions(), format);
        QVERIFY2(bytes.isOk(), qPrintable(bytes.error()));
        QCOMPARE(bytes.value(), test::readData(expectedFile));
    }

    // Refused with the session and the reason, in the user's language.
    void implausibleSessionIsRefusedInBothFormats_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("error");
        QTest::newRow("en_US") << u"en_US"_s
                               << u"session 3: \"endedAt\" lies outside the years usage can be counted in"_s;
        QTest::newRow("ca_ES")
            << u"ca_ES"_s << u"la sessió 3: \"endedAt\" queda fora dels anys en què es pot comptar l'ús"_s;
    }

    void implausibleSessionIsRefusedInBothFormats()
    {
        QFETCH(QString, locale);
        QFETCH(QString, error);
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        QList<ProjectUsageSession> sessions = sampleSessions();
        sessions[2].endedAt = Timestamp::fromSecondsSinceReference(1e300);
        for (const UsageExportFormat format : UsageExportFormats::all()) {
            const auto bytes = UsageTrackingService::exportSessions(sessions, format);
            QCOMPARE(bytes.isOk() ? QString() : bytes.error(), error);
        }
    }
};

QTEST_GUILESS_MAIN(UsageSessionFileTest)
#include "UsageSessionFileTest.moc"
