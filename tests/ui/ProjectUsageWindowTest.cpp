#include "UsageWindowRig.h"
#include "core/usage/UsageFilterPreferences.h"
#include "core/usage/UsageTrackingService.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ThemeApplier.h"
#include "ui/usage/ProjectUsageView.h"
#include "ui/usage/ProjectUsageWindowController.h"
#include "ui/usage/UsageCards.h"
#include "ui/usage/UsageSessionLists.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(UsageExportFormat)

// The per-project usage windows over a store with recorded sessions.
class ProjectUsageWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::UsageWindowRig> m_rig;
    std::unique_ptr<ProjectUsageWindowController> m_windows;
    DevProject m_shop;
    DevProject m_blog;

    void open()
    {
        m_rig->store.open({m_shop, m_blog});
        m_windows = std::make_unique<ProjectUsageWindowController>(m_rig->services());
    }
    ProjectUsageView *show(const DevProject &project)
    {
        m_windows->show(project);
        QWidget *window = m_windows->window(project.id);
        return window ? qobject_cast<ProjectUsageView *>(window->layout()->itemAt(0)->widget()) : nullptr;
    }
    template <typename T> static T *find(ProjectUsageView *view, const QString &name)
    {
        return view->findChild<T *>(name);
    }
    static bool footerEnabled(ProjectUsageView *view)
    {
        return find<QPushButton>(view, u"copy_usage_summary"_s)->isEnabled() &&
               find<QPushButton>(view, u"clear_usage_data"_s)->isEnabled() &&
               find<QToolButton>(view, u"export_usage"_s)->isEnabled();
    }
    static bool showsNoData(ProjectUsageView *view)
    {
        return !find<QLabel>(view, u"noData"_s)->isHidden() &&
               find<QWidget>(view, u"statistics"_s)->isHidden();
    }
    static QString total(ProjectUsageView *view)
    {
        return view->findChildren<UsageStatCard *>().constFirst()->value();
    }
    // The texts of the labels of the first widget of that name, in order.
    static QStringList labels(QWidget *parent, const QString &name)
    {
        QStringList texts;
        for (const QLabel *label : parent->findChild<QWidget *>(name)->findChildren<QLabel *>())
            texts.append(label->text());
        return texts;
    }
    static int sessionRows(ProjectUsageView *view)
    {
        QList<QWidget *> rows =
            view->findChild<UsageSessionsList *>()->findChildren<QWidget *>(u"sessionRow"_s);
        rows.removeIf([](const QWidget *row) { return row->isHidden(); });
        return static_cast<int>(rows.size());
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::UsageWindowRig>();
        m_shop = test::makeProject(u"Client/App: beta"_s);
        m_blog = test::makeProject(u"Blog"_s);
    }
    void cleanup()
    {
        m_windows.reset();
        m_rig.reset();
    }

    void keepsOneWindowPerProject()
    {
        open();
        QPointer<ProjectUsageView> first = show(m_shop);
        QWidget *window = m_windows->window(m_shop.id);
        QVERIFY(first && QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), u"Usage - Client/App: beta"_s);
        window->move(window->pos() + QPoint(40, 30));
        const QPoint moved = window->pos();

        QPointer<ProjectUsageView> second = show(m_shop);
        QCOMPARE(m_windows->window(m_shop.id), window);
        QVERIFY(second && second != first);
        QCOMPARE(window->pos(), moved);
        QTRY_VERIFY(first.isNull());

        QVERIFY(show(m_blog));
        QVERIFY(m_windows->window(m_blog.id) != window);
        window->close();
        QTRY_VERIFY(!m_windows->window(m_shop.id));
        QVERIFY(m_windows->window(m_blog.id));
    }

    void emptyPeriods()
    {
        m_rig->record(m_shop, 15, 30);
        open();
        m_rig->store.defaults.setValue(UsageFilterPreferences::projectFilterKey(m_shop.id), u"week"_s);
        ProjectUsageView *shop = show(m_shop);
        QVERIFY(showsNoData(shop));
        QVERIFY(footerEnabled(shop));
        ProjectUsageView *blog = show(m_blog);
        QVERIFY(showsNoData(blog));
        QVERIFY(!footerEnabled(blog));

        shop->setDateFilter(UsageDateFilterOption::month);
        QVERIFY(!showsNoData(shop));
        QCOMPARE(total(shop), u"30m"_s);
        QCOMPARE(m_rig->store.defaults.value(UsageFilterPreferences::projectFilterKey(m_shop.id)).toString(),
                 u"month"_s);
        QVERIFY(find<QWidget>(shop, u"longSessionsPanel"_s)->isHidden());
    }

    void opensOnTheStoredPeriodAndShowsTheCustomRange()
    {
        m_rig->store.defaults.setValue(UsageFilterPreferences::projectFilterKey(m_shop.id), u"threeMonths"_s);
        m_rig->store.defaults.setValue(UsageFilterPreferences::projectFilterKey(m_blog.id), u"fortnight"_s);
        open();
        ProjectUsageView *shop = show(m_shop);
        QCOMPARE(shop->dateFilter(), UsageDateFilterOption::threeMonths);
        QCOMPARE(show(m_blog)->dateFilter(), UsageDateFilterOption::week);
        QVERIFY(find<QWidget>(shop, u"customRangePicker"_s)->isHidden());
        find<QComboBox>(shop, u"periodPicker"_s)->setCurrentIndex(6);
        QCOMPARE(shop->dateFilter(), UsageDateFilterOption::custom);
        QVERIFY(!find<QWidget>(shop, u"customRangePicker"_s)->isHidden());
    }

    void pagesAndEditsSessions()
    {
        for (int day = 0; day < 25; ++day)
            m_rig->record(m_shop, day, 10);
        m_rig->record(m_shop, 40, 8 * 60);
        m_rig->store.defaults.setValue(UsageFilterPreferences::projectFilterKey(m_shop.id), u"month"_s);
        m_rig->store.settings.setTheme(AppTheme::light);
        ThemeApplier theme(m_rig->store.settings);
        // C has seconds in its short time: the rows show none.
        const test::ScopedLocale locale{QLocale::c()};
        open();
        ProjectUsageView *view = show(m_shop);
        QCOMPARE(sessionRows(view), 10);
        QCOMPARE(labels(view, u"sessionRow"_s),
                 (QStringList{u"20 May 2026"_s, u"Play button"_s, u"08:00 \u2013 08:10"_s, u"10m"_s}));
        QCOMPARE(labels(view, u"longSessionRow"_s), (QStringList{u"10 Apr 2026 08:00"_s, u"8h"_s}));
        auto *more = find<QPushButton>(view, u"showMoreSessions"_s);
        QCOMPARE(more->text(), u"Show 10 more"_s);
        more->click();
        QCOMPARE(sessionRows(view), 20);
        QVERIFY(!find<QWidget>(view, u"longSessionsPanel"_s)->isHidden());

        // The newest session grows from 10 to 70 minutes; the page stays, also
        // across a theme change with the sheet open.
        const QString before = total(view);
        const QPointer<QWidget> firstRow = view->findChild<QWidget *>(u"sessionRow"_s);
        view->findChild<UsageSessionsList *>()->findChild<QPushButton *>(u"editSession"_s)->click();
        QVERIFY(view->editSheet());
        QCOMPARE(view->editSheet()->findChild<QDateTimeEdit *>()->text(), u"20 May 2026 08:00"_s);
        m_rig->store.settings.setTheme(AppTheme::dark);
        QCOMPARE(Palette::schemeOf(view->palette()), ColorScheme::dark);
        QCOMPARE(view->findChild<UsageSessionsList *>()->visibleCount(), 20);
        QCOMPARE(view->dateFilter(), UsageDateFilterOption::month);
        QVERIFY(view->editSheet() && view->editSheet()->isVisible());
        const ProjectUsageSession edited = view->editSheet()->session();
        view->editSheet()->setTimes(edited.endedAt.addSeconds(60 * 60), edited.startedAt);
        view->editSheet()->findChild<QPushButton *>(u"save"_s)->click();
        QCOMPARE(m_rig->store.usage.completedSessions().constLast().trackedDuration(), 70.0 * 60.0);
        QVERIFY(total(view) != before);
        QCOMPARE(sessionRows(view), 20);
        // The rows show the new sessions in place.
        QCOMPARE(view->findChild<QWidget *>(u"sessionRow"_s), firstRow.data());
        QTRY_VERIFY(!view->editSheet());
    }

    // At the narrowest window a long figure shrinks to fit its card, and
    // comes back to full size in a wide one; the name stays as written.
    void narrowWindows()
    {
        m_shop.name = u"<i>Shop</i>"_s;
        m_rig->record(m_shop, 1, 57558.0 / 60.0);
        m_rig->store.defaults.setValue(UsageFilterPreferences::projectFilterKey(m_shop.id), u"month"_s);
        open();
        ProjectUsageView *view = show(m_shop);
        QWidget *window = m_windows->window(m_shop.id);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const auto *value = find<QLabel>(view, u"statValue"_s);
        const auto fits = [value] {
            return QFontMetrics(value->font()).horizontalAdvance(value->text()) <= value->width();
        };
        window->resize(900, 640);
        QCoreApplication::processEvents();
        QCOMPARE(value->font().pixelSize(), 28);
        QCOMPARE(value->text(), u"15h 59m 18s"_s);
        QVERIFY(fits());
        // Smaller, down to 0.7 of 28; cut only when that is not enough.
        window->resize(ProjectUsageWindowController::kMinimumSize.width(), 640);
        QCoreApplication::processEvents();
        const int size = value->font().pixelSize();
        QVERIFY2(size < 28 && size >= 20, qPrintable(QString::number(size)));
        QVERIFY(fits());
        QVERIFY(value->text() == u"15h 59m 18s"_s || (size == 20 && value->text().endsWith(u'\u2026')));

        const auto *subtitle = find<QLabel>(view, u"subtitle"_s);
        QVERIFY(subtitle->sizeHint().width() >= subtitle->fontMetrics().horizontalAdvance(m_shop.name));
    }

    void exports_data()
    {
        QTest::addColumn<UsageExportFormat>("format");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("csv") << UsageExportFormat::csv << u"Client-App- beta-usage.csv"_s;
        QTest::newRow("json") << UsageExportFormat::json << u"Client-App- beta-usage.json"_s;
    }
    void exports()
    {
        QFETCH(UsageExportFormat, format);
        QFETCH(QString, fileName);
        m_rig->record(m_shop, 1, 20);
        m_rig->record(m_shop, 0, 30);
        m_rig->record(m_blog, 0, 40);
        open();
        ProjectUsageView *view = show(m_shop);

        // Cancelled: nothing written, nothing said.
        QCoro::waitFor(view->exportUsage(format));
        QCOMPARE(m_rig->files.proposed, QStringList{fileName});
        QVERIFY(m_rig->alerts.asked.isEmpty());

        const QString path = m_rig->store.dir.filePath(fileName);
        m_rig->files.path = path;
        QCoro::waitFor(view->exportUsage(format));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<ProjectUsageSession> shop = m_rig->store.usage.completedSessions();
        shop.removeIf([&](const ProjectUsageSession &session) { return session.projectID != m_shop.id; });
        QCOMPARE(file.readAll(), UsageTrackingService::exportSessions(shop, format).value());

        m_rig->files.path = m_rig->store.dir.filePath(u"missing/folder/"_s + fileName);
        QCoro::waitFor(view->exportUsage(format));
        QCOMPARE(m_rig->alerts.asked.size(), 1);
        QCOMPARE(m_rig->alerts.asked.constFirst().message, u"The usage data could not be exported"_s);
        QVERIFY(!m_rig->alerts.asked.constFirst().informativeText.isEmpty());
    }

    void clearsOnlyWhenConfirmed()
    {
        m_rig->record(m_shop, 0, 30);
        m_rig->record(m_blog, 0, 30);
        open();
        ProjectUsageView *view = show(m_shop);
        m_rig->alerts.answers = {1, 0};
        find<QPushButton>(view, u"clear_usage_data"_s)->click();
        QVERIFY(!showsNoData(view));
        find<QPushButton>(view, u"clear_usage_data"_s)->click();
        QCOMPARE(m_rig->alerts.asked.constLast().informativeText,
                 u"Every recorded session of Client/App: beta will be deleted. This cannot be undone."_s);
        QVERIFY(showsNoData(view));
        QVERIFY(!footerEnabled(view));
        QCOMPARE(m_rig->store.usage.completedSessions().size(), 1);
    }

    // Without sessions left the footer's three controls are disabled and
    // drawn so: the export menu's label is as dim as the buttons', and its
    // arrow dim too.
    void aClearedFooterIsDrawnDisabled()
    {
        m_rig->record(m_shop, 0, 30);
        m_rig->store.settings.setTheme(AppTheme::light);
        ThemeApplier theme(m_rig->store.settings);
        open();
        ProjectUsageView *view = show(m_shop);
        QVERIFY(QTest::qWaitForWindowExposed(m_windows->window(m_shop.id)));
        auto *exportButton = find<QToolButton>(view, u"export_usage"_s);
        const int enabled = test::darkestLabelGrey(exportButton, 28);
        const int enabledArrow = test::darkestArrowGrey(exportButton, 28);

        m_rig->alerts.answers = {0};
        find<QPushButton>(view, u"clear_usage_data"_s)->click();
        for (const char *name : {"copy_usage_summary", "clear_usage_data", "export_usage"})
            QVERIFY2(!find<QWidget>(view, QString::fromLatin1(name))->isEnabled(), name);
        const int disabled = test::darkestLabelGrey(exportButton, 28);
        const int copy = test::darkestLabelGrey(find<QPushButton>(view, u"copy_usage_summary"_s), 0);
        QVERIFY2(disabled > enabled + 40 && qAbs(disabled - copy) <= 12,
                 qPrintable(u"enabled %1, disabled %2, copy %3"_s.arg(enabled).arg(disabled).arg(copy)));
        // Its arrow is dimmed with it.
        const int disabledArrow = test::darkestArrowGrey(exportButton, 28);
        QVERIFY2(disabledArrow > enabledArrow + 40,
                 qPrintable(u"arrow enabled %1, disabled %2"_s.arg(enabledArrow).arg(disabledArrow)));
    }
};

QTEST_MAIN(ProjectUsageWindowTest)
#include "ProjectUsageWindowTest.moc"
