#include "core/usage/UsageChartTooltip.h"
#include "core/usage/UsageDurationFormatting.h"
#include "core/usage/UsageTrackingService.h"
#include "support/LocalTime.h"

#include <QTest>
#include <limits>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

class UsageFormattingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void durationsNameTheUnitsTheyHold_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("catalan");
        QTest::newRow("zero") << 0.0 << u"0m"_s << u"0 min"_s;
        QTest::newRow("rounds down to zero") << 0.4 << u"0m"_s << u"0 min"_s;
        QTest::newRow("half a second") << 0.5 << u"1s"_s << u"1 s"_s;
        QTest::newRow("rounds up to a minute") << 59.5 << u"1m"_s << u"1 min"_s;
        QTest::newRow("minutes and seconds") << 61.0 << u"1m 1s"_s << u"1 min 1 s"_s;
        QTest::newRow("rounds up to an hour") << 3599.5 << u"1h"_s << u"1 h"_s;
        QTest::newRow("no minutes, some seconds") << 3605.0 << u"1h 0m 5s"_s << u"1 h 0 min 5 s"_s;
        QTest::newRow("hours and minutes") << 3660.0 << u"1h 1m"_s << u"1 h 1 min"_s;
        QTest::newRow("no days") << 90000.0 << u"25h"_s << u"25 h"_s;
        QTest::newRow("negative") << -42.0 << u"0m"_s << u"0 min"_s;
        QTest::newRow("not a number") << qQNaN() << u"0m"_s << u"0 min"_s;
        QTest::newRow("held at the plausible bound") << 1e300 << u"2016144h"_s << u"2016144 h"_s;
    }

    void durationsNameTheUnitsTheyHold()
    {
        QFETCH(double, seconds);
        QFETCH(QString, english);
        QFETCH(QString, catalan);
        {
            const test::ScopedLocale locale{QLocale(u"en_US"_s)};
            QCOMPARE(UsageDurationFormatting::format(seconds), english);
        }
        const test::ScopedLocale locale{QLocale(u"ca_ES"_s)};
        QCOMPARE(UsageDurationFormatting::format(seconds), catalan);
    }

    void lastSessionIsALocalDateAndTime()
    {
        const test::ScopedTimeZone timeZone("America/Santiago");
        const Timestamp lastSession = localTime(2024, 5, 13, 15, 4);
        {
            const test::ScopedLocale locale{QLocale(u"en_US"_s)};
            QCOMPARE(UsageDurationFormatting::formatLastSession(lastSession), u"May 13, 2024 at 3:04 PM"_s);
            QCOMPARE(UsageDurationFormatting::formatLastSession(std::nullopt), u"No data"_s);
        }
        const test::ScopedLocale locale{QLocale(u"ca_ES"_s)};
        QCOMPARE(UsageDurationFormatting::formatLastSession(lastSession), u"13 de maig de 2024, 15:04"_s);
    }

    void copiedSummaryListsTheFigures()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        const test::ScopedLocale locale{QLocale(u"en_US"_s)};
        const QStringList empty =
            UsageTrackingService::copySummary(u"Shop"_s, ProjectUsageSummary::empty()).split(u'\n');
        QCOMPARE(empty, (QStringList{u"Devnook — Shop"_s, u"Today: 0m"_s, u"This week: 0m"_s,
                                     u"This month: 0m"_s, u"Total: 0m"_s, u"Sessions: 0"_s, QString(),
                                     u"Time is tracked while the project's dev processes run."_s}));

        const ProjectUsageSummary summary{3600, 7200, 10800, 36000, 12, 3000, localTime(2024, 5, 13, 15, 4)};
        const QStringList lines = UsageTrackingService::copySummary(u"Shop"_s, summary).split(u'\n');
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines[4], u"Total: 10h"_s);
        QCOMPARE(lines[5], u"Sessions: 12"_s);
        QCOMPARE(lines[6], u"Average session: 50m"_s);
        QCOMPARE(lines[7], u"Last session: May 13, 2024 at 3:04 PM"_s);
        QCOMPARE(lines[8], QString());

        ProjectUsageSummary withoutDate = summary;
        withoutDate.lastSessionAt.reset();
        QCOMPARE(UsageTrackingService::copySummary(u"Shop"_s, withoutDate).split(u'\n')[7],
                 u"Last session: No data"_s);
    }

    void tooltipTextsWriteSharesTheSameEverywhere_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("slice");
        QTest::newRow("English") << u"en_US"_s << u"3–9 May: 2h 5m"_s << u"Shop, \"new\": 1h (12.3%)"_s;
        QTest::newRow("Catalan") << u"ca_ES"_s << u"3–9 May: 2 h 5 min"_s << u"Shop, \"new\": 1 h (12.3%)"_s;
    }

    void tooltipTextsWriteSharesTheSameEverywhere()
    {
        QFETCH(QString, locale);
        QFETCH(QString, bar);
        QFETCH(QString, slice);
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        QCOMPARE(UsageChartTooltip::bar(UsageAggregatedBarBucket{u"id"_s, u"3–9 May"_s, 7500}), bar);
        QCOMPARE(
            UsageChartTooltip::slice(UsageDistributionSlice{u"id"_s, u"Shop, \"new\""_s, 3600, 0.12345, 0}),
            slice);
    }
};

QTEST_GUILESS_MAIN(UsageFormattingTest)
#include "UsageFormattingTest.moc"
