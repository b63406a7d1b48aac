#include "ui/usage/UsageViewRules.h"

#include <QTest>
#include <limits>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(UsageExportFormat)

class UsageViewRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void paging_data()
    {
        QTest::addColumn<int>("sessions");
        QTest::addColumn<int>("visible");
        QTest::addColumn<int>("more");
        QTest::newRow("none") << 0 << 10 << 0;
        QTest::newRow("exactly a page") << 10 << 10 << 0;
        QTest::newRow("one over") << 11 << 10 << 1;
        QTest::newRow("25, first page") << 25 << 10 << 10;
        QTest::newRow("25, second page") << 25 << 20 << 5;
        QTest::newRow("25, all shown") << 25 << 30 << 0;
    }
    void paging()
    {
        QFETCH(int, sessions);
        QFETCH(int, visible);
        QFETCH(int, more);
        QCOMPARE(UsageViewRules::moreSessionCount(sessions, visible), more);
    }

    void pageAfterChange()
    {
        QCOMPARE(UsageViewRules::visibleCountAfterChange(15, 15, 20), 20);
        QCOMPARE(UsageViewRules::visibleCountAfterChange(15, 14, 20), 10);
    }

    void exportFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<UsageExportFormat>("format");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("slash and colon")
            << u"Client/App: beta"_s << UsageExportFormat::csv << u"Client-App- beta-usage.csv"_s;
        QTest::newRow("asterisk between spaces")
            << u"  a*b  "_s << UsageExportFormat::json << u"a-b-usage.json"_s;
        QTest::newRow("only spaces") << u"   "_s << UsageExportFormat::csv << u"-usage.csv"_s;
        QTest::newRow("all ten") << u"/\\?%*|\"<>:"_s << UsageExportFormat::csv << u"-----------usage.csv"_s;
        QTest::newRow("dots stay") << u"../x"_s << UsageExportFormat::json << u"..-x-usage.json"_s;
    }
    void exportFileName()
    {
        QFETCH(QString, name);
        QFETCH(UsageExportFormat, format);
        QFETCH(QString, fileName);
        QCOMPARE(UsageViewRules::exportFileName(name, format), fileName);
    }

    void niceTicks_data()
    {
        QTest::addColumn<double>("largest");
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("nothing") << 0.0 << QList<double>{0.0, 0.5, 1.0};
        QTest::newRow("not a number")
            << std::numeric_limits<double>::quiet_NaN() << QList<double>{0.0, 0.5, 1.0};
        QTest::newRow("a second") << 1.0 / 60.0 << QList<double>{0.0, 0.5, 1.0};
        QTest::newRow("7 minutes") << 7.0 << QList<double>{0.0, 2.0, 4.0, 6.0, 8.0};
        QTest::newRow("exactly 40") << 40.0 << QList<double>{0.0, 10.0, 20.0, 30.0, 40.0};
        QTest::newRow("just over 40") << 40.5 << QList<double>{0.0, 20.0, 40.0, 60.0};
        QTest::newRow("100") << 100.0 << QList<double>{0.0, 50.0, 100.0};
        QTest::newRow("9 hours") << 540.0 << QList<double>{0.0, 200.0, 400.0, 600.0};
    }
    void niceTicks()
    {
        QFETCH(double, largest);
        QFETCH(QList<double>, ticks);
        QCOMPARE(UsageViewRules::niceTicks(largest), ticks);
    }

    void barWidth_data()
    {
        QTest::addColumn<double>("plotWidth");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("width");
        QTest::newRow("wide slots") << 600.0 << 12 << 36.0;
        QTest::newRow("at least 14") << 180.0 << 12 << 14.0;
        QTest::newRow("never wider than the slot") << 120.0 << 12 << 10.0;
        QTest::newRow("no bars") << 600.0 << 0 << 0.0;
    }
    void barWidth()
    {
        QFETCH(double, plotWidth);
        QFETCH(int, count);
        QFETCH(double, width);
        QCOMPARE(UsageViewRules::barWidth(plotWidth, count), width);
    }

    // The donut's angles run clockwise with y down; Qt's run counter-clockwise.
    void qtAngles_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("qtStart");
        QTest::addColumn<int>("qtSpan");
        QTest::newRow("top, a quarter clockwise") << -90.0 << 0.0 << 1440 << -1440;
        QTest::newRow("right, down to the bottom") << 0.0 << 90.0 << 0 << -1440;
        QTest::newRow("sixteenths rounded") << 10.03 << 10.5 << -160 << -8;
    }
    void qtAngles()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(int, qtStart);
        QFETCH(int, qtSpan);
        QCOMPARE(UsageViewRules::qtAngle(start), qtStart);
        QCOMPARE(UsageViewRules::qtSpan(start, end), qtSpan);
    }

    // A 148 by 34 bubble in a 400 by 220 chart.
    void tooltipCentre_data()
    {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QSizeF>("chart");
        QTest::addColumn<QPointF>("centre");
        QTest::newRow("free") << QPointF(200, 100) << QSizeF(400, 220) << QPointF(200, 88);
        QTest::newRow("left edge") << QPointF(10, 100) << QSizeF(400, 220) << QPointF(82, 88);
        QTest::newRow("right edge") << QPointF(395, 100) << QSizeF(400, 220) << QPointF(318, 88);
        QTest::newRow("top covers the pointer") << QPointF(200, 20) << QSizeF(400, 220) << QPointF(200, 25);
        QTest::newRow("bottom") << QPointF(200, 219) << QSizeF(400, 220) << QPointF(200, 195);
        QTest::newRow("too narrow: right bound wins")
            << QPointF(50, 100) << QSizeF(150, 220) << QPointF(68, 88);
    }
    void tooltipCentre()
    {
        QFETCH(QPointF, pointer);
        QFETCH(QSizeF, chart);
        QFETCH(QPointF, centre);
        QCOMPARE(UsageViewRules::tooltipCentre(pointer, QSizeF(148, 34), chart), centre);
    }
};

QTEST_GUILESS_MAIN(UsageViewRulesTest)
#include "UsageViewRulesTest.moc"
