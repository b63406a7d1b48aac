#include "core/usage/UsageBarChart.h"
#include "core/usage/UsageDonutChart.h"
#include "support/LocalTime.h"

#include <QHash>
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
// 100 points above the axis at y = 200.
class FakeProxy final : public UsageChartCoordinateProxy {
public:
    explicit FakeProxy(const QList<UsageAggregatedBarBucket> &bars)
    {
        for (qsizetype i = 0; i < bars.size(); ++i)
            m_x.insert(bars[i].label, 20.0 + 40.0 * static_cast<double>(i));
    }
    std::optional<double> xPosition(const QString &label) const override
    {
        return m_x.contains(label) ? std::optional(m_x.value(label)) : std::nullopt;
    }
    std::optional<double> yPosition(double minutes) const override
    {
        return minutes > 120 ? std::nullopt : std::optional(200.0 - minutes * 100.0 / 60.0);
    }

private:
    QHash<QString, double> m_x;
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
        int first = 0;
        for (qsizetype i = 0; i < bars.size(); ++i) {
            const int last = first + barLengths[i] - 1;
            double duration = 0.0;
            for (int day = first; day <= last; ++day)
                duration += input[day].duration;
            QCOMPARE(bars[i].duration, duration);
            if (dayCount <= 12) {
                QCOMPARE(bars[i].id, input[first].id);
                QCOMPARE(bars[i].label, input[first].label);
            } else {
                QCOMPARE(bars[i].id, input[first].id + u'-' + input[last].id);
            }
            first = last + 1;
        }
    }

    void mergedBarsAreNamedAfterTheirDays_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("labels");
        for (const char *zone : {"Europe/Madrid", "America/Santiago"}) {
            QTest::addRow("%s, English", zone) << QByteArray(zone) << u"en_US"_s
                                               << QStringList{u"Apr 30 – May 1"_s, u"2–3 May"_s, u"May 12"_s};
            QTest::addRow("%s, Catalan", zone)
                << QByteArray(zone) << u"ca_ES"_s
                << QStringList{u"30 d’abr. – 1 de maig"_s, u"2–3 de maig"_s, u"12 de maig"_s};
        }
    }

    void mergedBarsAreNamedAfterTheirDays()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, locale);
        QFETCH(QStringList, labels);
        const test::ScopedTimeZone timeZone(zone.constData());
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
        QCOMPARE(UsageBarChartHitTesting::tooltip(QPointF(30, 150), QRectF(10, 10, 80, 200), proxy, bars),
                 std::nullopt);
        QVERIFY(UsageBarChartHitTesting::tooltip(QPointF(70, 150), QRectF(10, 10, 80, 200), proxy, bars));
        QCOMPARE(UsageBarChartHitTesting::tooltip(QPointF(30, 150), QRectF(10, 10, 80, 200), proxy, {}),
                 std::nullopt);
    }

    void donutSegmentsShareTheCircle()
    {
        const auto one = UsageDonutChartHitTesting::segmentLayouts({slice(u"a"_s, 10)});
        QCOMPARE(one.size(), 1);
        QCOMPARE(one[0].startDegrees, -90.0);
        QCOMPARE(one[0].endDegrees, 268.5);

        const auto four = UsageDonutChartHitTesting::segmentLayouts(
            {slice(u"a"_s, 5), slice(u"b"_s, 5), slice(u"c"_s, 5), slice(u"d"_s, 5)});
        const QList<double> starts{-90, 0, 90, 180};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(four[i].startDegrees, starts[i]);
            QCOMPARE(four[i].endDegrees - four[i].startDegrees, 88.5);
        }
        QVERIFY(UsageDonutChartHitTesting::segmentLayouts({}).isEmpty());
        QVERIFY(UsageDonutChartHitTesting::segmentLayouts({slice(u"a"_s, 0)}).isEmpty());
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
        QCOMPARE(UsageDonutChartHitTesting::tooltip(point, QSizeF(200, 100), {}), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(UsageChartTest)
#include "UsageChartTest.moc"
