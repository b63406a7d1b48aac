#include "core/usage/UsageStatistics.h"

#include "core/usage/UsageColors.h"
#include "core/usage/UsageTrackingService.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

namespace {

DevProject makeProject(const QString &id, const QString &name, const QString &client, const QString &stack,
                       const QString &clientColor = {})
{
    DevProject project;
    project.id = QUuid::fromString(id);
    project.name = name;
    project.client = client;
    project.stack = stack;
    project.clientColorHex = clientColor;
    return project;
}

ProjectUsageSession session(const DevProject &project, Timestamp start, Timestamp end, double paused = 0.0)
{
    return ProjectUsageSession{QUuid::createUuid(),
                               project.id,
                               project.name,
                               project.client,
                               project.stack,
                               ProjectUsageSessionSource::playButton,
                               start,
                               end,
                               paused};
}

const QString kShopID = u"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s;
const QString kBlogID = u"3D4E5F60-7182-4394-A5B6-C7D8E9F0A1B2"_s;

} // namespace

class UsageStatisticsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ScopedTimeZone> m_timeZone;
    std::unique_ptr<test::ScopedLocale> m_locale;
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<UsageTrackingService> m_service;
    const DevProject m_shop = makeProject(kShopID, u"Shop"_s, u" Acme "_s, u"Next.js "_s, u" 3366cc "_s);
    const DevProject m_blog = makeProject(kBlogID, u"blog"_s, u"  "_s, u"Elixir"_s);

    void record(const DevProject &project, Timestamp start, Timestamp end)
    {
        m_service->start(project, ProjectUsageSessionSource::playButton, start);
        m_service->stop(project.id, end);
    }

private Q_SLOTS:
    void init()
    {
        m_timeZone = std::make_unique<test::ScopedTimeZone>("Europe/Madrid");
        m_locale = std::make_unique<test::ScopedLocale>(QLocale(u"en_US"_s));
        QDir(m_home.path()).removeRecursively();
        m_service = std::make_unique<UsageTrackingService>(m_home.path(), m_clock);
    }
    void cleanup()
    {
        m_locale.reset();
        m_timeZone.reset();
    }

    void sessionsCountTheirTrackedShareOfTheOverlap_data()
    {
        QTest::addColumn<QList<double>>("minutes");
        QTest::addColumn<double>("since");
        QTest::addColumn<double>("until");
        QTest::addColumn<double>("expectedMinutes");
        // A session from minute 0 to 60 with 15 paused; bounds in minutes, -1 for none.
        QTest::newRow("half inside") << QList<double>{0, 60, 15} << 30.0 << -1.0 << 22.5;
        QTest::newRow("no bounds") << QList<double>{0, 60, 15} << -1.0 << -1.0 << 45.0;
        QTest::newRow("upper bound") << QList<double>{0, 60, 15} << -1.0 << 20.0 << 15.0;
        QTest::newRow("touching the start") << QList<double>{0, 60, 15} << 60.0 << -1.0 << 0.0;
        QTest::newRow("pause longer than the session") << QList<double>{0, 60, 90} << -1.0 << -1.0 << 0.0;
        QTest::newRow("ends before it starts") << QList<double>{60, 0, 0} << -1.0 << -1.0 << 0.0;
    }

    void sessionsCountTheirTrackedShareOfTheOverlap()
    {
        QFETCH(QList<double>, minutes);
        QFETCH(double, since);
        QFETCH(double, until);
        QFETCH(double, expectedMinutes);
        const Timestamp zero = localTime(2024, 5, 13, 9);
        const auto minute = [&](double value) { return zero.addSeconds(value * 60); };
        const QList<ProjectUsageSession> sessions{
            session(m_shop, minute(minutes[0]), minute(minutes[1]), minutes[2] * 60)};
        const auto lower = since < 0 ? std::nullopt : std::optional(minute(since));
        const auto upper = until < 0 ? std::nullopt : std::optional(minute(until));
        QCOMPARE(UsageStatistics::duration(sessions, lower, upper), expectedMinutes * 60);
    }

    void dailyBucketsListEveryDayOfThePeriod_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("labels");
        const QStringList english{u"Mon 13"_s, u"Tue 14"_s, u"Wed 15"_s, u"Thu 16"_s,
                                  u"Fri 17"_s, u"Sat 18"_s, u"Sun 19"_s};
        const QStringList catalan{u"dl. 13"_s, u"dt. 14"_s, u"dc. 15"_s, u"dj. 16"_s,
                                  u"dv. 17"_s, u"ds. 18"_s, u"dg. 19"_s};
        for (const char *zone : {"Europe/Madrid", "America/Santiago"}) {
            QTest::addRow("%s, English", zone) << QByteArray(zone) << u"en_US"_s << english;
            QTest::addRow("%s, Catalan", zone) << QByteArray(zone) << u"ca_ES"_s << catalan;
        }
    }

    void dailyBucketsListEveryDayOfThePeriod()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, locale);
        QFETCH(QStringList, labels);
        const test::ScopedTimeZone timeZone(zone.constData());
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        const PeriodRange week{localTime(2024, 5, 13), localTime(2024, 5, 19, 23, 59, 59)};
        // Not cut at midnight: an hour on each side, half of it paused.
        const QList<ProjectUsageSession> sessions{
            session(m_shop, localTime(2024, 5, 14, 23), localTime(2024, 5, 15, 1), 3600),
            session(m_blog, localTime(2024, 5, 12, 22), localTime(2024, 5, 13, 2)),
            session(m_blog, localTime(2024, 5, 19, 23), localTime(2024, 5, 20, 1))};

        const QList<UsageDailyBucket> buckets = UsageStatistics::dailyBuckets(sessions, week, {});
        QCOMPARE(buckets.size(), 7);
        const QList<double> expected{7200, 1800, 1800, 0, 0, 0, 3599};
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(buckets[i].id, u"2024-05-%1"_s.arg(13 + i));
            QCOMPARE(buckets[i].date, localTime(2024, 5, 13 + i));
            QCOMPARE(buckets[i].label, labels[i]);
            QCOMPARE(buckets[i].duration, expected[i]);
        }
    }

    void dailyBucketsFollowDaysOfEveryLength()
    {
        const PeriodRange range{localTime(2024, 10, 26), localTime(2024, 10, 28, 23, 59, 59)};
        const QList<ProjectUsageSession> sessions{
            session(m_shop, localTime(2024, 10, 25, 12), localTime(2024, 10, 29, 12))};
        const QList<UsageDailyBucket> buckets = UsageStatistics::dailyBuckets(sessions, range, {});
        QCOMPARE(buckets.size(), 3);
        QCOMPARE(buckets[0].duration, 24 * 3600.0);
        QCOMPARE(buckets[1].duration, 25 * 3600.0);
        QCOMPARE(buckets[2].duration, 24 * 3600.0 - 1);
        QCOMPARE(buckets[1].date, localTime(2024, 10, 27));
        QCOMPARE(buckets[2].date, localTime(2024, 10, 28));
    }

    void highlightsAverageOverActiveDays()
    {
        record(m_shop, localTime(2024, 5, 14, 9), localTime(2024, 5, 14, 11));
        record(m_blog, localTime(2024, 5, 16, 9), localTime(2024, 5, 16, 10));
        record(m_shop, localTime(2024, 5, 16, 12), localTime(2024, 5, 16, 15));
        record(m_shop, localTime(2024, 5, 1, 12), localTime(2024, 5, 1, 15));
        const Timestamp now = localTime(2024, 5, 19, 18);

        const UsagePeriodHighlightStats stats = m_service->periodHighlightStats(
            UsageDateRange{localTime(2024, 5, 19), localTime(2024, 5, 13)}, {}, now);
        QCOMPARE(stats, (UsagePeriodHighlightStats{2, 3 * 3600.0, 2}));
        QCOMPARE(m_service->periodHighlightStats(UsageRollupPeriod::today, {}, now),
                 UsagePeriodHighlightStats{});
        QCOMPARE(m_service->periodHighlightStats(UsageRollupPeriod::month, {}, now).daysWithActivity, 3);
    }

    void groupsFollowTheDimension()
    {
        DevProject renamed = m_shop;
        renamed.name = u"Shop 2"_s;
        renamed.client = u""_s;
        const PeriodRange range{localTime(2024, 5, 13), localTime(2024, 5, 13, 23, 59, 59)};
        const QList<ProjectUsageSession> sessions{
            session(m_shop, localTime(2024, 5, 13, 9), localTime(2024, 5, 13, 10)),
            session(m_blog, localTime(2024, 5, 13, 10), localTime(2024, 5, 13, 11)),
            session(renamed, localTime(2024, 5, 13, 11), localTime(2024, 5, 13, 13)),
            session(m_shop, localTime(2024, 5, 12, 9), localTime(2024, 5, 12, 10))};

        const auto byProject =
            UsageStatistics::groupedDurations(sessions, UsageDistributionDimension::project, range);
        QCOMPARE(byProject.size(), 3);
        QCOMPARE(byProject[0].key, (UsageStatistics::GroupingKey{kShopID, u"Shop"_s, m_shop.id}));
        QCOMPARE(byProject[2].key, (UsageStatistics::GroupingKey{kShopID, u"Shop 2"_s, m_shop.id}));
        QCOMPARE(byProject[2].duration, 7200.0);

        const auto byClient =
            UsageStatistics::groupedDurations(sessions, UsageDistributionDimension::client, range);
        QCOMPARE(byClient.size(), 2);
        QCOMPARE(byClient[0].key, (UsageStatistics::GroupingKey{u"Acme"_s, u"Acme"_s, std::nullopt}));
        QCOMPARE(byClient[1].key.label, u"No client"_s);
        QCOMPARE(byClient[1].duration, 3 * 3600.0);
    }

    void slicesAreOrderedAndColoured_data()
    {
        QTest::addColumn<UsageDistributionDimension>("dimension");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<quint32>>("colors");
        // Shop and blog tie at two hours; "blog" sorts before "Shop" whatever the case.
        QTest::newRow("project") << UsageDistributionDimension::project
                                 << QStringList{u"Docs"_s, u"blog"_s, u"Shop"_s}
                                 << QList<quint32>{0xF97316, 0x84CC16, 0xF59E0B};
        QTest::newRow("client") << UsageDistributionDimension::client
                                << QStringList{u"No client"_s, u"Acme"_s}
                                << QList<quint32>{UsageColors::kUnassignedGrey, 0x3366CC};
        QTest::newRow("stack") << UsageDistributionDimension::stack
                               << QStringList{u"Vue 3"_s, u"Elixir"_s, u"Next.js"_s}
                               << QList<quint32>{0x42B883, 0x8B5CF6, 0x0070F3};
    }

    void slicesAreOrderedAndColoured()
    {
        QFETCH(UsageDistributionDimension, dimension);
        QFETCH(QStringList, labels);
        QFETCH(QList<quint32>, colors);
        const DevProject docs =
            makeProject(u"11111111-2222-4333-8444-555555555555"_s, u"Docs"_s, {}, u"Vue 3"_s);
        record(m_shop, localTime(2024, 5, 13, 9), localTime(2024, 5, 13, 11));
        record(m_blog, localTime(2024, 5, 14, 9), localTime(2024, 5, 14, 11));
        record(docs, localTime(2024, 5, 15, 9), localTime(2024, 5, 15, 12));
        const QList<DevProject> projects{m_shop, m_blog, docs};

        const auto slices = m_service->distributionSlices(dimension, projects, UsageRollupPeriod::week, {},
                                                          localTime(2024, 5, 16, 9));
        QStringList actualLabels;
        QList<quint32> actualColors;
        double shares = 0.0;
        for (const UsageDistributionSlice &slice : slices) {
            actualLabels.append(slice.label);
            actualColors.append(slice.colorHex);
            shares += slice.percentage;
            QCOMPARE(slice.percentage, slice.duration / (7 * 3600.0));
        }
        QCOMPARE(actualLabels, labels);
        QCOMPARE(actualColors, colors);
        QVERIFY(qFuzzyCompare(shares, 1.0));
        QVERIFY(m_service
                    ->distributionSlices(dimension, projects, UsageRollupPeriod::today, {},
                                         localTime(2024, 5, 16, 9))
                    .isEmpty());
    }

    void stackColoursReadTheLabel_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<quint32>("color");
        QTest::newRow("exact, any case") << u" Next.js "_s << 0x0070F3u;
        QTest::newRow("contained") << u"Vue 3"_s << 0x42B883u;
        QTest::newRow("first name of the table wins") << u"django api"_s << 0x092E20u;
        QTest::newRow("react native") << u"React Native"_s << 0x61DAFBu;
        QTest::newRow("unknown") << u"Elixir"_s << 0x8B5CF6u;
        QTest::newRow("unassigned") << u"No stack"_s << UsageColors::kUnassignedGrey;
    }

    void stackColoursReadTheLabel()
    {
        QFETCH(QString, label);
        QFETCH(quint32, color);
        QCOMPARE(UsageColors::stackColor(label), color);
    }

    void clientColoursComeFromTheFirstProjectOfTheClient_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("colorText");
        QTest::addColumn<QString>("label");
        QTest::addColumn<quint32>("color");
        QTest::newRow("six digits") << u"Acme"_s << u"3366CC"_s << u"Acme"_s << 0x3366CCu;
        QTest::newRow("plus sign") << u"Acme"_s << u"+ff"_s << u"Acme"_s << 0xFFu;
        QTest::newRow("number sign") << u"Acme"_s << u"#3366CC"_s << u"Acme"_s << 0xEF4444u;
        QTest::newRow("too long") << u"Acme"_s << u"1FFFFFFFF"_s << u"Acme"_s << 0xEF4444u;
        QTest::newRow("unassigned with a colour") << u" "_s << u"00FF00"_s << u"No client"_s << 0x00FF00u;
        QTest::newRow("unassigned") << u""_s << u""_s << u"No client"_s << UsageColors::kUnassignedGrey;
        QTest::newRow("no listed project") << u"Other"_s << u"00FF00"_s << u"Self"_s << 0xEF4444u;
    }

    void clientColoursComeFromTheFirstProjectOfTheClient()
    {
        QFETCH(QString, client);
        QFETCH(QString, colorText);
        QFETCH(QString, label);
        QFETCH(quint32, color);
        const DevProject first = makeProject(kShopID, u"Shop"_s, client, {}, colorText);
        const DevProject second = makeProject(kBlogID, u"Blog"_s, client, {}, u"123456"_s);
        const UsageStatistics::GroupingKey key{label, label, std::nullopt};
        QCOMPARE(UsageColors::groupColor(key, UsageDistributionDimension::client, {first, second}), color);
    }

    void tableRowsKeepRecordedNames()
    {
        DevProject renamed = m_shop;
        renamed.name = u"Shop 2"_s;
        const DevProject deleted =
            makeProject(u"11111111-2222-4333-8444-555555555555"_s, u"Gone"_s, u"X"_s, {});
        record(m_shop, localTime(2024, 5, 13, 9), localTime(2024, 5, 13, 10));
        record(renamed, localTime(2024, 5, 13, 11), localTime(2024, 5, 13, 14));
        record(deleted, localTime(2024, 5, 13, 15), localTime(2024, 5, 13, 17));
        record(m_blog, localTime(2024, 5, 13, 18), localTime(2024, 5, 13, 19));

        const auto rows = m_service->projectTableRows({m_shop, m_blog}, UsageRollupPeriod::today, {},
                                                      localTime(2024, 5, 13, 20));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0],
                 (UsageProjectTableRow{m_shop.id, u"Shop 2"_s, u"Acme"_s, 3 * 3600.0, 3.0 / 7, 0xF59E0B}));
        QCOMPARE(rows[1].projectName, u"Gone"_s);
        QCOMPARE(rows[1].clientName, std::nullopt);
        QCOMPARE(rows[2].projectName, u"blog"_s);
        QCOMPARE(rows[2].clientName, std::nullopt);
        QCOMPARE(rows[3].id, m_shop.id);
        QCOMPARE(rows[3].colorHex, rows[0].colorHex);
    }
};

QTEST_GUILESS_MAIN(UsageStatisticsTest)
#include "UsageStatisticsTest.moc"
