#include "UsageTestSupport.h"
#include "core/usage/UsageSessionCoding.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

namespace {

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
        return std::make_unique<UsageTrackingService>(m_home->dir.path(), m_home->clock);
    }
    static void recordOneSession(UsageTrackingService &service)
    {
        const DevProject project = test::makeProject(u"Fresh"_s);
        service.start(project, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service.stop(project.id, localTime(2024, 6, 1, 10));
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
        const QJsonArray written = QJsonDocument::fromJson(test::readFile(sessionsFile())).array();
        QCOMPARE(written.size(), 5);
        const QJsonObject expected{{u"client"_s, u""_s},
                                   {u"endedAt"_s, 737281800.25},
                                   {u"id"_s, u"1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0"_s},
                                   {u"pausedDuration"_s, 0},
                                   {u"projectID"_s, u"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s},
                                   {u"projectName"_s, u"Shop"_s},
                                   {u"source"_s, u"startWorkspace"_s},
                                   {u"stack"_s, u""_s},
                                   {u"startedAt"_s, 737276400}};
        QCOMPARE(written[1].toObject(), expected);
        QCOMPARE(makeService()->completedSessions().mid(0, 4), sessions);
    }

    void damagedFileReadsEmptyAndIsKeptAside_data()
    {
        QTest::addColumn<QString>("fileName");
        for (const char *name : {"bad-source", "null-required", "wrong-type", "bad-uuid", "absurd-end",
                                 "absurd-pause", "not-an-object", "object-top-level", "truncated"})
            QTest::newRow(name) << u"usage-sessions-%1.json"_s.arg(QLatin1String(name));
        QTest::newRow("empty file") << QString();
    }

    void damagedFileReadsEmptyAndIsKeptAside()
    {
        QFETCH(QString, fileName);
        const QByteArray damaged = fileName.isEmpty() ? QByteArray() : test::readData(fileName);
        test::writeFile(sessionsFile(), damaged);

        const auto service = makeService();
        QVERIFY(service->completedSessions().isEmpty());
        QCOMPARE(asideCopies(), QStringList{u"usage_sessions.json.unreadable-20240601-100000"_s});
        QCOMPARE(asideBytes(), damaged);
        recordOneSession(*service);
        QCOMPARE(makeService()->completedSessions().size(), 1);
        QCOMPARE(asideCopies().size(), 1);
    }

    void damagedFileIsNotOverwrittenWhileItCannotBeKeptAside()
    {
        const QByteArray damaged = test::readData(u"usage-sessions-bad-source.json"_s);
        test::writeFile(sessionsFile(), damaged);
        std::unique_ptr<UsageTrackingService> service;
        {
            const test::FileSizeLimit limit(64);
            service = makeService();
            recordOneSession(*service);
        }
        QCOMPARE(test::readFile(sessionsFile()), damaged);
        QVERIFY(asideCopies().isEmpty());

        recordOneSession(*service);
        QCOMPARE(asideBytes(), damaged);
        QCOMPARE(makeService()->completedSessions().size(), 2);
    }

    void failedWriteLeavesThePreviousFileWhole()
    {
        const auto service = makeService();
        recordOneSession(*service);
        const QByteArray before = test::readFile(sessionsFile());
        {
            const test::FileSizeLimit limit(before.size() + 10);
            recordOneSession(*service);
        }
        QCOMPARE(test::readFile(sessionsFile()), before);
        recordOneSession(*service);
        QCOMPARE(makeService()->completedSessions().size(), 3);
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
        ProjectUsageSession session = test::makeSession(test::makeProject(u"Tab\there \"q\" \\ \x01 é"_s),
                                                        seconds(startedAt), seconds(endedAt), pausedDuration);
        session.client = u"line\r\nbreak"_s;
        const auto encoded = UsageSessionCoding::encodeSessions({session});
        QCOMPARE(encoded.isOk(), accepted);
        if (!accepted)
            return;
        const auto decoded = UsageSessionCoding::decodeSessions(encoded.value());
        QVERIFY2(decoded.isOk(), qPrintable(decoded.error()));
        QCOMPARE(decoded.value(), QList{session});
    }

    // The file is read by a scanner of our own, as strict as a JSON document
    // reader, so that a damaged file is recognised and kept aside.
    void readsAnyValidLayout_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("projectName");
        QTest::addColumn<double>("pausedDuration");
        QTest::newRow("whitespace everywhere")
            << "\r\n\t " + listOfOne({}).replace(":", " :\t").replace(",", " ,\n").replace("[", "[ \n") +
                   " \n"
            << u"Shop"_s << 0.0;
        QTest::newRow("escapes") << listOfOne({}, "\"Caf\\u00e9 \\\"\\\\\\/\\ud83d\\ude00\\n\"")
                                 << u"Café \"\\/😀\n"_s << 0.0;
        QTest::newRow("raw UTF-8") << listOfOne({}, "\"Caf\xC3\xA9\"") << u"Café"_s << 0.0;
        QTest::newRow("exponent") << listOfOne(", \"pausedDuration\": 1.5e+2") << u"Shop"_s << 150.0;
        QTest::newRow("unknown members of every kind")
            << listOfOne(
                   ", \"note\": {\"a\": [1, true, false, null, {\"b\": \"}\"}], \"c\": -2E-3}, \"x\": []")
            << u"Shop"_s << 0.0;
        QTest::newRow("the later of two keys")
            << listOfOne(", \"pausedDuration\": 5, \"pausedDuration\": 7") << u"Shop"_s << 7.0;
    }

    void readsAnyValidLayout()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, projectName);
        QFETCH(double, pausedDuration);
        const auto sessions = UsageSessionCoding::decodeSessions(json);
        QVERIFY2(sessions.isOk(), qPrintable(sessions.error()));
        QCOMPARE(sessions.value().size(), 1);
        QCOMPARE(sessions.value().first().projectName, projectName);
        QCOMPARE(sessions.value().first().pausedDuration, pausedDuration);
        QCOMPARE(sessions.value().first().endedAt, seconds(737413200));
    }

    void refusesWhatIsNotJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const QByteArray good = listOfOne({});
        const QByteArray goodId = "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01";
        QTest::newRow("text after the list") << good + " x" << u"unexpected text after the value"_s;
        QTest::newRow("control character") << listOfOne({}, "\"Sh\top\"") << u"control character"_s;
        QTest::newRow("invalid UTF-8") << listOfOne({}, "\"Sh\xC3op\"") << u"not valid UTF-8"_s;
        QTest::newRow("lone surrogate") << listOfOne({}, "\"\\ud83d\"") << u"invalid escape"_s;
        QTest::newRow("unknown escape") << listOfOne({}, "\"\\x41\"") << u"invalid escape"_s;
        QTest::newRow("too large for a double")
            << listOfOne(", \"pausedDuration\": 1e400") << u"out of range"_s;
        QTest::newRow("misspelt literal") << listOfOne(", \"x\": nul") << u"unexpected character"_s;
        QTest::newRow("id with a letter past f")
            << QByteArray(good).replace(goodId, "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F0G") << u"not a UUID"_s;
        QTest::newRow("id with a hyphen out of place")
            << QByteArray(good).replace(goodId, "0A6F4C521-D7B-4E8A-9C3F-5B2E7D1A9F01") << u"not a UUID"_s;
        QTest::newRow("nested too deeply")
            << listOfOne(", \"x\": " + QByteArray(600, '[') + QByteArray(600, ']')) << u"nested too deeply"_s;
    }

    void refusesWhatIsNotJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const auto sessions = UsageSessionCoding::decodeSessions(json);
        QVERIFY(!sessions.isOk());
        QVERIFY2(sessions.error().contains(error), qPrintable(sessions.error()));
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

    void implausibleSessionIsRefusedInBothFormats()
    {
        QList<ProjectUsageSession> sessions = sampleSessions();
        sessions[2].endedAt = Timestamp::fromSecondsSinceReference(1e300);
        for (const UsageExportFormat format : UsageExportFormats::all()) {
            const auto bytes = UsageTrackingService::exportSessions(sessions, format);
            QVERIFY(!bytes.isOk());
            QVERIFY(bytes.error().startsWith(u"session 2"_s));
        }
    }
};

QTEST_GUILESS_MAIN(UsageSessionFileTest)
#include "UsageSessionFileTest.moc"
