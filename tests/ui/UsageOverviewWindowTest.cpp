#include "UsageWindowRig.h"
#include "core/usage/UsageFilterPreferences.h"
#include "ui/kit/ThemeApplier.h"
#include "ui/usage/ProjectUsageWindowController.h"
#include "ui/usage/UsageBreakdownTable.h"
#include "ui/usage/UsageCards.h"
#include "ui/usage/UsageDonutChart.h"
#include "ui/usage/UsageOverviewView.h"
#include "ui/usage/UsageOverviewWindowController.h"
#include "ui/usage/UsageSimpleBarChart.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

// The usage overview window over a store with recorded sessions.
class UsageOverviewWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::UsageWindowRig> m_rig;
    std::unique_ptr<ProjectUsageWindowController> m_projectWindows;
    std::unique_ptr<UsageOverviewWindowController> m_overview;
    DevProject m_shop;
    DevProject m_blog;

    UsageOverviewView *show()
    {
        if (!m_overview) {
            m_projectWindows = std::make_unique<ProjectUsageWindowController>(m_rig->services());
            m_overview =
                std::make_unique<UsageOverviewWindowController>(m_rig->services(), *m_projectWindows);
        }
        m_overview->show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return qobject_cast<UsageOverviewView *>(m_overview->window()->layout()->itemAt(0)->widget());
    }
    // The overview of today, when Shop ran 90 minutes and Blog 30.
    UsageOverviewView *showTodayOfShopAndBlog()
    {
        m_rig->record(m_shop, 0, 90);
        m_rig->record(m_blog, 0, 30);
        m_rig->store.open({m_shop, m_blog});
        m_rig->store.defaults.setValue(UsageFilterPreferences::kOverviewFilterKey, u"today"_s);
        return show();
    }
    static void hover(QWidget *widget, QPointF at)
    {
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
    }
    // One notch of the wheel down over the scroll area, at the point on
    // screen: where the chart's wheel events end up, as the chart takes none.
    static void wheel(QScrollArea *scroll, QPoint onScreen)
    {
        QWidget *viewport = scroll->viewport();
        QWheelEvent notch(viewport->mapFromGlobal(onScreen), onScreen, QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &notch);
    }
    static QStringList rowNames(UsageOverviewView *view)
    {
        return view->findChild<UsageBreakdownTable *>()->rowNames();
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::UsageWindowRig>();
        m_shop = test::makeProject(u"Shop"_s);
        m_shop.client = u"Acme"_s;
        m_blog = test::makeProject(u"Blog"_s);
    }
    void cleanup()
    {
        m_overview.reset();
        m_projectWindows.reset();
        m_rig.reset();
    }

    void keepsOneWindowAndStartsEmpty()
    {
        m_rig->store.open({m_shop});
        QPointer<UsageOverviewView> first = show();
        QWidget *window = m_overview->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), u"Usage Overview"_s);
        QVERIFY(!first->findChild<QLabel *>(u"noData"_s)->isHidden());
        QVERIFY(!first->findChild<QToolButton *>(u"export_usage"_s)->isEnabled());

        QPointer<UsageOverviewView> second = show();
        QVERIFY(first.isNull() && second);
        QCOMPARE(m_overview->window(), window);
        window->close();
        QTRY_VERIFY(!m_overview->window());
    }

    // An empty period's export menu is disabled and drawn dimmed, its arrow
    // too.
    void anEmptyPeriodsExportIsDrawnDisabled()
    {
        m_rig->store.settings.setTheme(AppTheme::light);
        ThemeApplier theme(m_rig->store.settings);
        m_rig->store.open({m_shop});
        UsageOverviewView *view = show();
        QVERIFY(QTest::qWaitForWindowExposed(m_overview->window()));
        auto *exportButton = view->findChild<QToolButton *>(u"export_usage"_s);
        const int disabled = test::darkestLabelGrey(exportButton, 16);
        const int disabledArrow = test::darkestArrowGrey(exportButton, 16);
        m_rig->record(m_shop, 0, 30);
        m_rig->store.store->refreshUsageSummary(m_shop.id);
        QVERIFY(exportButton->isEnabled());
        const int enabled = test::darkestLabelGrey(exportButton, 16);
        const int enabledArrow = test::darkestArrowGrey(exportButton, 16);
        QVERIFY2(disabled > enabled + 40 && disabledArrow > enabledArrow + 40,
                 qPrintable(u"enabled %1, disabled %2; arrow enabled %3, disabled %4"_s.arg(enabled)
                                .arg(disabled)
                                .arg(enabledArrow)
                                .arg(disabledArrow)));
    }

    void showsThePeriodByProjectAndClient()
    {
        m_rig->record(m_shop, 0, 90);
        m_rig->record(m_blog, 1, 30);
        m_rig->record(m_blog, 40, 30);
        m_rig->store.open({m_shop, m_blog});
        m_rig->store.defaults.setValue(UsageFilterPreferences::kOverviewFilterKey, u"month"_s);
        UsageOverviewView *view = show();
        const QList<UsageStatCard *> cards = view->findChildren<UsageStatCard *>();
        QCOMPARE(cards[0]->value(), u"2h"_s);
        QCOMPARE(cards[1]->value(), u"2"_s);
        QCOMPARE(rowNames(view), (QStringList{u"Shop (Acme)"_s, u"Blog"_s}));

        view->findChild<QComboBox *>(u"tableDimension"_s)->setCurrentIndex(1);
        QCOMPARE(rowNames(view), (QStringList{u"Acme"_s, u"No client"_s}));

        // A new period updates the widgets in place.
        const QList<QWidget *> legendRows = view->findChildren<QWidget *>(u"legendRow"_s);
        view->setDateFilter(UsageDateFilterOption::today);
        QCOMPARE(view->findChildren<UsageStatCard *>(), cards);
        QCOMPARE(view->findChildren<QWidget *>(u"legendRow"_s), legendRows);
        QCOMPARE(cards[0]->value(), u"1h 30m"_s);
        QCOMPARE(m_rig->store.defaults.value(UsageFilterPreferences::kOverviewFilterKey).toString(),
                 u"today"_s);
    }

    void tooltipsFollowThePointer()
    {
        UsageOverviewView *view = showTodayOfShopAndBlog();

        auto *chart = view->findChild<UsageSimpleBarChart *>();
        const QRectF plot = chart->plotFrame();
        // The one bar of 2 hours reaches 120 of 150 minutes on the scale.
        hover(chart, plot.center());
        QVERIFY(chart->activeTooltip());
        QCOMPARE(chart->activeTooltip()->text.section(u": "_s, 1), u"2h"_s);
        hover(chart, QPointF(plot.center().x(), plot.top() + 5));
        QVERIFY(!chart->activeTooltip());
        hover(chart, QPointF(plot.left() + 2, plot.bottom() - 2));
        QVERIFY(!chart->activeTooltip());

        // Shop's three quarters run clockwise from the top: the right side of
        // the ring is Shop's, the left side Blog's.
        auto *donut = view->findChild<UsageDonutRing *>();
        hover(donut, QPointF(UsageDonutRing::kSide - 5, UsageDonutRing::kSide / 2.0));
        QCOMPARE(donut->activeTooltip()->text, u"Shop: 1h 30m (75.0%)"_s);
        hover(donut, QPointF(5, UsageDonutRing::kSide / 2.0 - 20));
        QCOMPARE(donut->activeTooltip()->text, u"Blog: 30m (25.0%)"_s);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(donut, &leave);
        QVERIFY(!donut->activeTooltip());
    }

    // A wheel scroll moves the chart under a still pointer: the tooltip is
    // then the one of the new place under the pointer, and goes once the
    // chart is no longer there.
    void aScrollMovesTheTooltipOrTakesItAway()
    {
        UsageOverviewView *view = showTodayOfShopAndBlog();
        QWidget *window = m_overview->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *scroll = view->findChild<QScrollArea *>();
        auto *chart = view->findChild<UsageSimpleBarChart *>();
        scroll->ensureWidgetVisible(chart, 0, 0);
        const QPoint pointer = chart->plotFrame().center().toPoint();
        const QPoint onScreen = chart->mapToGlobal(pointer);
        hover(chart, pointer);
        QVERIFY(chart->activeTooltip());

        QScrollBar *bar = scroll->verticalScrollBar();
        const int before = bar->value();
        wheel(scroll, onScreen);
        const int scrolled = bar->value() - before;
        QVERIFY(scrolled > 0);
        QVERIFY(chart->activeTooltip());
        QCOMPARE(chart->activeTooltip()->position, QPointF(pointer + QPoint(0, scrolled)));

        while (bar->value() < bar->maximum())
            wheel(scroll, onScreen);
        QVERIFY(!chart->visibleRegion().contains(chart->mapFromGlobal(onScreen)));
        QVERIFY(!chart->activeTooltip());
    }

    // User texts are shown as written; the legend's rows sit 8 apart beside
    // the ring; a client in the table is followed by its symbol.
    void legendAndTable()
    {
        m_blog.client = u"<b>Blog</b>"_s;
        UsageOverviewView *view = showTodayOfShopAndBlog();
        QVERIFY(QTest::qWaitForWindowExposed(m_overview->window()));
        view->setDistributionDimension(UsageDistributionDimension::client);
        QCoreApplication::processEvents();

        QList<QWidget *> rows = view->findChildren<QWidget *>(u"legendRow"_s);
        rows.removeIf([](const QWidget *row) { return row->isHidden(); });
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1]->y() - rows[0]->y(), rows[0]->sizeHint().height() + 8);
        const auto *ring = view->findChild<UsageDonutRing *>();
        const QWidget *legend = rows[0]->parentWidget();
        QVERIFY(qAbs(legend->geometry().center().y() - ring->geometry().center().y()) <= 1);
        QStringList labels;
        for (const QWidget *row : std::as_const(rows)) {
            const auto *label = row->findChildren<QLabel *>().at(1);
            labels.append(label->text());
            QVERIFY(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(label->text()));
        }
        QCOMPARE(labels, (QStringList{u"Acme"_s, u"<b>Blog</b>"_s}));

        auto *table = view->findChild<UsageBreakdownTable *>();
        QCOMPARE(table->rowNames(), (QStringList{u"Shop (Acme)"_s, u"Blog (<b>Blog</b>)"_s}));
        const QImage image = table->grab().toImage();
        for (const int row : {0, 1}) {
            const QRect symbol = table->clientSymbolRect(row);
            QVERIFY(!symbol.isEmpty() && table->rect().contains(symbol));
            QSet<QRgb> colours;
            for (int y = symbol.top(); y <= symbol.bottom(); ++y)
                for (int x = symbol.left(); x <= symbol.right(); ++x)
                    colours.insert(image.pixel(QPoint(x, y) * image.devicePixelRatio()));
            QVERIFY(colours.size() > 1);
        }
    }

    void projectRowsOpenTheProjectsWindow()
    {
        m_rig->record(m_shop, 0, 90);
        m_rig->record(m_blog, 0, 30);
        m_rig->store.open({m_shop, m_blog});
        UsageOverviewView *view = show();
        m_rig->store.store->deleteProject(m_blog);
        QCoreApplication::processEvents();
        auto *table = view->findChild<UsageBreakdownTable *>();
        QCOMPARE(table->rowNames(), QStringList{u"Shop (Acme)"_s});
        QTest::mouseClick(table, Qt::LeftButton, {}, table->rowRect(0).center() + QPoint(100, 0));
        QVERIFY(m_projectWindows->window(m_shop.id));
    }

    void exportsEverySessionOfThePeriod()
    {
        m_rig->record(m_shop, 0, 90);
        m_rig->record(m_blog, 1, 30);
        m_rig->store.open({m_shop, m_blog});
        UsageOverviewView *view = show();
        const QString path = m_rig->store.dir.filePath(u"all.json"_s);
        m_rig->files.path = path;
        QCoro::waitFor(view->exportAllUsage(UsageExportFormat::json));
        QCOMPARE(m_rig->files.proposed, QStringList{u"devnook-usage.json"_s});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            file.readAll(),
            m_rig->store.store->exportAllUsageData(UsageDateFilterOption::week, {}, UsageExportFormat::json)
                .value());
        QVERIFY(m_rig->alerts.asked.isEmpty());
    }
};

QTEST_MAIN(UsageOverviewWindowTest)
#include "UsageOverviewWindowTest.moc"
