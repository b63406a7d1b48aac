#include "core/usage/UsageTrackingService.h"
#include "support/LocalTime.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

ProjectUsageSession session(const char *id, const char *projectID, const QString &name, const QString &client,
                            const QString &stack, ProjectUsageSessionSource source, double startedAt,
                            double endedAt, double pausedDuration)
{
    return ProjectUsageSession{QUuid::fromString(QLatin1String(id)),
                               QUuid::fromString(QLatin1String(projectID)),
                               name,
                               client,
                               stack,
                               source,
                               Timestamp::fromSecondsSinceReference(startedAt),
                               Timestamp::fromSecondsSinceReference(endedAt),
                               pausedDuration};
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

class UsageExportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
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

    void emptyExportHoldsOnlyTheFrame()
    {
        QCOMPARE(
            UsageTrackingService::exportSessions({}, UsageExportFormat::csv).value(),
            QByteArray("id,project_id,project_name,client,stack,source,started_at,ended_at,duration_seconds,"
                       "paused_seconds\n"));
        QCOMPARE(UsageTrackingService::exportSessions({}, UsageExportFormat::json).value(),
                 QByteArray("[]\n"));
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

QTEST_GUILESS_MAIN(UsageExportTest)
#include "UsageExportTest.moc"
