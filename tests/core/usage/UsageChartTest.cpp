#include "core/usage/UsageBarChart.h"
#include "core/usage/UsageChartTooltip.h"
#include "core/usage/UsageDonutChart.h"
#include "core/usage/UsageDurationFormatting.h"
#include "core/usage/UsageTrackingService.h"
#include "support/LocalTime.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

namespace {

QList<UsageDailyBucket> days(QDate first, int count)
{
    QList<UsageDailyBucket> buckets;
    for (int i = 0; i < count; ++i) {
        const QDate date = first.addDays(i);
        buckets.append(UsageDailyBucket{date.toString(Qt::ISODate),
                                        localTime(date.year(), date.month(), date.day()), u"d%1"_s.arg(i),
                                        60.0 * i});
    }
    return buckets;
}

// Bars at x = 20, 60, 100… in a plot area 40 points per bar; an hour reaches
// 100 points above the axis at y = 200, and more than two hours do not fit.
class FakeProxy final : public UsageChartCoordinateProxy {
public:
    explicit FakeProxy(const QList<UsageAggregatedBarBucket> &bars) : m_bars(bars) {}
    std::optional<double> xPosition(const QString &label) const override
    {
        for (qsizetype i = 0; i < m_bars.size(); ++i) {
            if (m_bars[i].label == label)
                return 20.0 + 40.0 * static_cast<double>(i);
        }
        return std::nullopt;
    }
    std::optional<double> yPosition(double minutes) const override
    {
        return minutes > 120 ? std::nullopt : std::optional(200.0 - minutes * 100.0 / 60.0);
    }

private:
    QList<UsageAggregatedBarBucket> m_bars;
};

UsageDistributionSlice slice(const QString &label, double duration)
{
    return UsageDistributionSlice{label, label, duration, 0.25, 0x123456};
}

} // namespace

class UsageChartTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void daysMergeIntoAtMostTwelveBars_data()
    {
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<QList<int>>("barLengths");
        QTest::newRow("twelve days") << 12 << QList<int>(12, 1);
        QTest::newRow("thirteen days") << 13 << QList<int>{2, 2, 2, 2, 2, 2, 1};
        QTest::newRow("a month") << 31 << QList<int>{3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 1};
        QTest::newRow("a year") << 365 << (QList<int>(11, 31) << 24);
        QTest::newRow("nothing") << 0 << QList<int>{};
    }

    void daysMergeIntoAtMostTwelveBars()
    {
        QFETCH(int, dayCount);
        QFETCH(QList<int>, barLengths);
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        const QList<UsageDailyBucket> input = days(QDate(2024, 1, 1), dayCount);
        const QList<UsageAggregatedBarBucket> bars = UsageBarChartAggregation::buckets(input);
        QCOMPARE(bars.size(), barLengths.size());
        qsizetype first = 0;
        for (qsizetype i = 0; i < bars.size(); ++i) {
            const qsizetype last = first + barLengths[i] - 1;
            // Day n holds n minutes.
            QCOMPARE(bars[i].duration, 30.0 * static_cast<double>((first + last) * (last - first + 1)));
            QCOMPARE(bars[i].id, dayCount <= 12 ? input[first].id : input[first].id + u'-' + input[last].id);
            if (dayCount <= 12)
                QCOMPARE(bars[i].label, input[first].label);
            first = last + 1;
        }
    }

    void mergedBarsAreNamedAfterTheirDays_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("labels");
        // East of Greenwich, so that a day read in UTC would be the one before.
        QTest::newRow("English") << u"en_US"_s << QStringList{u"Apr 30 – May 1"_s, u"2–3 May"_s, u"May 12"_s};
        QTest::newRow("Catalan") << u"ca_ES"_s
                                 << QStringList{u"30 d’abr. – 1 de maig"_s, u"2–3 de maig"_s,
                                                u"12 de maig"_s};
    }

    void mergedBarsAreNamedAfterTheirDays()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, labels);
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        // Thirteen days make bars of two days; the last holds one.
        const QList<UsageAggregatedBarBucket> bars =
            UsageBarChartAggregation::buckets(days(QDate(2024, 4, 30), 13));
        QCOMPARE(bars.size(), 7);
        QCOMPARE((QStringList{bars[0].label, bars[1].label, bars[6].label}), labels);
    }

    void barsCatchThePointerAroundThem_data()
    {
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("hit");
        // Three bars of 60, 0 and 30 minutes in a plot 120 wide: half width 14.4.
        const QRectF frame(10, 10, 120, 200);
        QTest::newRow("on the bar") << frame << QPointF(30, 150) << u"a"_s;
        QTest::newRow("right edge of the slot") << frame << QPointF(44.4, 150) << u"a"_s;
        QTest::newRow("past the slot") << frame << QPointF(44.5, 150) << QString();
        QTest::newRow("six points above the top") << frame << QPointF(30, 104) << u"a"_s;
        QTest::newRow("seven points above the top") << frame << QPointF(30, 103) << QString();
        QTest::newRow("bar of no time") << frame << QPointF(70, 205) << QString();
        QTest::newRow("short bar") << frame << QPointF(110, 160) << u"c"_s;
        QTest::newRow("left of the frame") << frame << QPointF(9.9, 150) << QString();
        QTest::newRow("frame's right edge") << frame << QPointF(130, 150) << QString();
        QTest::newRow("frame's bottom edge") << frame << QPointF(110, 210) << QString();
        // Twelve bars in 60 points: the slot would be 3.6 wide, so 14 it is.
        QTest::newRow("narrow chart, minimum width") << QRectF(10, 10, 60, 200) << QPointF(37, 150) << u"a"_s;
    }

    void barsCatchThePointerAroundThem()
    {
        QFETCH(QRectF, frame);
        QFETCH(QPointF, point);
        QFETCH(QString, hit);
        QList<UsageAggregatedBarBucket> bars{
            {u"1"_s, u"a"_s, 3600}, {u"2"_s, u"b"_s, 0}, {u"3"_s, u"c"_s, 1800}};
        if (frame.width() < 100) {
            for (int i = 3; i < 12; ++i)
                bars.append(UsageAggregatedBarBucket{QString::number(i), u"x%1"_s.arg(i), 0});
        }
        const FakeProxy proxy(bars);
        const auto tooltip = UsageBarChartHitTesting::tooltip(point, frame, proxy, bars);
        QCOMPARE(tooltip.has_value(), !hit.isEmpty());
        if (tooltip) {
            QVERIFY(tooltip->text.startsWith(hit + u':'));
            QCOMPARE(tooltip->position, point);
        }
    }

    void barsThatTheChartCannotPlaceAreSkipped()
    {
        const QList<UsageAggregatedBarBucket> bars{{u"1"_s, u"a"_s, 3 * 3600}, {u"2"_s, u"b"_s, 3600}};
        const FakeProxy proxy(bars);
        const QRectF frame(10, 10, 80, 200);
        QCOMPARE(UsageBarChartHitTesting::tooltip(QPointF(30, 150), frame, proxy, bars), std::nullopt);
        QVERIFY(UsageBarChartHitTesting::tooltip(QPointF(70, 150), frame, proxy, bars));
    }

    void donutSegmentsShareTheCircle()
    {
        const auto one = UsageDonutChartHitTesting::segmentLayouts({slice(u"a"_s, 10)});
        QCOMPARE(one, (QList<UsageDonutSegmentLayout>{{slice(u"a"_s, 10), -90.0, 268.5}}));
        const auto four = UsageDonutChartHitTesting::segmentLayouts(
            {slice(u"a"_s, 5), slice(u"b"_s, 5), slice(u"c"_s, 5), slice(u"d"_s, 5)});
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(four[i].startDegrees, -90.0 + 90 * i);
            QCOMPARE(four[i].endDegrees, -1.5 + 90 * i);
        }
        QVERIFY(UsageDonutChartHitTesting::segmentLayouts({}).isEmpty());
        QVERIFY(UsageDonutChartHitTesting::segmentLayouts({slice(u"a"_s, 0)}).isEmpty());
        QCOMPARE(UsageDonutChartHitTesting::tooltip(QPointF(100, 10), QSizeF(200, 100), {}), std::nullopt);
    }

    void donutCatchesThePointerInTheRing_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("hit");
        // A ring around (100, 50) from 31 to 50 points in a 200 by 100 area.
        QTest::newRow("centre") << QPointF(100, 50) << QString();
        QTest::newRow("inner edge") << QPointF(131, 50) << u"b"_s;
        QTest::newRow("inside the hole") << QPointF(130.9, 50) << QString();
        QTest::newRow("outer edge") << QPointF(100, 100) << u"c"_s;
        QTest::newRow("outside") << QPointF(100, 100.1) << QString();
        QTest::newRow("top, first segment") << QPointF(100.5, 10) << u"a"_s;
        QTest::newRow("gap between segments") << QPointF(134.3763, 29.5483) << QString();
        QTest::newRow("crossing zero degrees") << QPointF(139.3923, 43.0541) << u"b"_s;
        QTest::newRow("last segment") << QPointF(62.4123, 36.3192) << u"d"_s;
    }

    void donutCatchesThePointerInTheRing()
    {
        QFETCH(QPointF, point);
        QFETCH(QString, hit);
        const test::ScopedLocale locale{QLocale(u"en_US"_s)};
        // a from the top to -31.5 degrees, b across 0 to 45, c 46.5 to 180, d 181.5 to 268.5.
        const QList<UsageDonutSegmentLayout> layouts{{slice(u"a"_s, 1), -90, -31.5},
                                                     {slice(u"b"_s, 1), -30, 45},
                                                     {slice(u"c"_s, 1), 46.5, 180},
                                                     {slice(u"d"_s, 1), 181.5, 268.5}};
        const auto tooltip = UsageDonutChartHitTesting::tooltip(point, QSizeF(200, 100), layouts);
        QCOMPARE(tooltip.has_value(), !hit.isEmpty());
        if (tooltip) {
            QCOMPARE(tooltip->text, hit + u": 1s (25.0%)"_s);
            QCOMPARE(tooltip->position, point);
        }
    }

    void durationsNameTheUnitsTheyHold_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("catalan");
        QTest::newRow("rounds down to zero") << 0.4 << u"0m"_s << u"0 min"_s;
        QTest::newRow("half a second") << 0.5 << u"1s"_s << u"1 s"_s;
        QTest::newRow("rounds up to a minute") << 59.5 << u"1m"_s << u"1 min"_s;
        QTest::newRow("minutes and seconds") << 61.0 << u"1m 1s"_s << u"1 min 1 s"_s;
        QTest::newRow("rounds up to an hour") << 3599.5 << u"1h"_s << u"1 h"_s;
        QTest::newRow("no minutes, some seconds") << 3605.0 << u"1h 0m 5s"_s << u"1 h 0 min 5 s"_s;
        QTest::newRow("hours and minutes") << 3660.0 << u"1h 1m"_s << u"1 h 1 min"_s;
        QTest::newRow("no days") << 90000.0 << u"25h"_s << u"25 h"_s;
        QTest::newRow("not a number") << qQNaN() << u"0m"_s << u"0 min"_s;
        QTest::newRow("held at the plausible bound") << 1e300 << u"2016144h"_s << u"2016144 h"_s;
    }

    void durationsNameTheUnitsTheyHold()
    {
        QFETCH(double, seconds);
        QFETCH(QString, english);
        QFETCH(QString, catalan);
        // Bar tooltips write their time the same way.
        for (const auto &[locale, text] : {std::pair{u"en_US"_s, english}, std::pair{u"ca_ES"_s, catalan}}) {
            const test::ScopedLocale scopedLocale{QLocale(locale)};
            QCOMPARE(UsageDurationFormatting::format(seconds), text);
            QCOMPARE(UsageChartTooltip::bar(UsageAggregatedBarBucket{u"id"_s, u"3–9 May"_s, seconds}),
                     u"3–9 May: "_s + text);
        }
    }

    void copiedSummaryGivesTheLastSessionInTheLocalesStyle()
    {
        const test::ScopedTimeZone timeZone("America/Santiago");
        const QString note = u"\n\nTime is tracked while the project's dev processes run."_s;
        const ProjectUsageSummary summary{3600, 7200, 10800, 36000, 12, 3000, localTime(2024, 5, 13, 15, 4)};
        {
            const test::ScopedLocale locale{QLocale(u"en_US"_s)};
            QCOMPARE(UsageTrackingService::copySummary(u"Shop"_s, ProjectUsageSummary::empty()),
                     u"Devnook — Shop\nToday: 0m\nThis week: 0m\nThis month: 0m\nTotal: 0m\nSessions: 0"_s +
                         note);
            QCOMPARE(UsageTrackingService::copySummary(u"Shop"_s, summary),
                     u"Devnook — Shop\nToday: 1h\nThis week: 2h\nThis month: 3h\nTotal: 10h\nSessions: 12\n"
                     "Average session: 50m\nLast session: May 13, 2024 3:04 PM"_s +
                         note);
            QCOMPARE(UsageDurationFormatting::formatLastSession(std::nullopt), u"No data"_s);
        }
        // German dates beside English texts: the date follows the locale, not the texts.
        const test::ScopedLocale locale{QLocale(u"de_DE"_s)};
        QCOMPARE(UsageDurationFormatting::formatLastSession(summary.lastSessionAt), u"13. Mai 2024 15:04"_s);
    }
};

QTEST_GUILESS_MAIN(UsageChartTest)
#include "UsageChartTest.moc"
