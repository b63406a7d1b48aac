#include "PanelDoubles.h"
#include "core/panel/DevnookNavigation.h"
#include "support/PlainTextLabels.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ThemeApplier.h"
#include "ui/kit/Tooltip.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/panel/PanelHeader.h"
#include "ui/panel/ProjectListModel.h"
#include "ui/panel/ProjectListView.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedLayout>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

DevProject project(const QString &name, const QString &client = {}, bool archived = false)
{
    DevProject result;
    result.id = QUuid::createUuid();
    result.name = name;
    result.client = client;
    result.folderPath = QDir::tempPath();
    result.services = {ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, {}}};
    result.isArchived = archived;
    return result;
}

// The panel over a fake store, shown in a window with its tooltip layer.
struct Panel {
    test::PanelRig rig;
    DevnookNavigation navigation;
    QWidget window;
    DevnookPopoverView *view = nullptr;

    explicit Panel(const QList<DevProject> &projects, RowWindows windows = {})
    {
        rig.store.list = projects;
        rig.windows.windows = windows;
        view = new DevnookPopoverView(rig.services(), navigation, &window);
        new TooltipRoot(&window);
        window.resize(420, 640);
        view->resize(window.size());
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    QWidget *currentBody() const
    {
        for (QStackedLayout *stack : view->findChildren<QStackedLayout *>())
            if (stack->indexOf(&view->listView()) >= 0)
                return stack->currentWidget();
        return nullptr;
    }
    void search(const QString &text) { view->findChild<QLineEdit *>(u"searchField"_s)->setText(text); }
    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    QPushButton *segment(const QString &name) { return view->findChild<QPushButton *>(name); }
    // Clicks the centre of a zone of a project row.
    void clickZone(const QString &projectName, CardZone::Kind kind, qsizetype button = -1)
    {
        ProjectListModel &model = view->listModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.kind(row) != ProjectListModel::Kind::project ||
                model.project(row).context.project.name != projectName)
                continue;
            view->listView().scrollTo(model.index(row));
            for (const CardZone &zone : view->listView().cardLayout(row).zones)
                if (zone.kind == kind && zone.buttonIndex == button) {
                    QTest::mouseClick(view->listView().viewport(), Qt::LeftButton, {},
                                      zone.rect.center().toPoint());
                    return;
                }
        }
        QFAIL("no such zone");
    }
    QStringList rows() const
    {
        QStringList names;
        const ProjectListModel &model = view->listModel();
        for (int row = 0; row < model.rowCount(); ++row)
            names.append(model.data(model.index(row), Qt::DisplayRole).toString());
        return names;
    }
};

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyCatalogueVersusNoMatch()
    {
        Panel panel({});
        panel.search(u"shop"_s);
        QCOMPARE(panel.currentBody()->objectName(), u"emptyProjectsView"_s);
        QVERIFY(!panel.view->findChild<QWidget *>(u"searchRow"_s)->isVisible());
        QVERIFY(!panel.view->findChild<QToolButton *>(u"refreshButton"_s)->isEnabled());

        panel.rig.store.setProjects({project(u"Old"_s, {}, true)});
        QCOMPARE(panel.currentBody()->objectName(), u"noMatchingProjects"_s);
        QVERIFY(panel.view->findChild<QWidget *>(u"searchRow"_s)->isVisible());
        panel.search(QString());
        QCOMPARE(panel.currentBody()->objectName(), u"noMatchingProjects"_s);
        panel.click(panel.view->findChild<QToolButton *>(u"archiveFilterToggle"_s));
        panel.click(panel.segment(u"archived"_s));
        QCOMPARE(panel.currentBody(), &panel.view->listView());
        QCOMPARE(panel.rows(), QStringList{u"Old"_s});
    }

    // The list is made with its parent, so its scroll bar is styled before
    // the list has the role the theme's thin scroll bar selects it by.
    void theListHasTheThemesThinScrollBar()
    {
        qApp->setStyleSheet(ThemeApplier::styleSheet(Palette::forScheme(ColorScheme::light)));
        const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
        Panel panel({project(u"Shop"_s)});
        QCOMPARE(panel.view->listView().verticalScrollBar()->sizeHint().width(), 10);
    }

    void groupsCollapseAndExpandOnANewGrouping()
    {
        Panel panel(
            {project(u"Shop"_s, u"Acme"_s), project(u"Blog"_s, u"Tinto"_s), project(u"Admin"_s, u"acme"_s)});
        panel.click(panel.view->findChild<QToolButton *>(u"groupToggle"_s));
        panel.click(panel.segment(u"client"_s));
        QCOMPARE(panel.rows(), (QStringList{u"Acme"_s, u"Shop"_s, u"Admin"_s, u"Tinto"_s, u"Blog"_s}));
        QVERIFY(panel.view->listModel().project(1).context.hidesClientBadge);

        const QRect acme = panel.view->listView().visualRect(panel.view->listModel().index(0));
        QTest::mouseClick(panel.view->listView().viewport(), Qt::LeftButton, {}, acme.center());
        QCOMPARE(panel.rows(), (QStringList{u"Acme"_s, u"Tinto"_s, u"Blog"_s}));
        QVERIFY(panel.view->listModel().section(0).isCollapsed);
        panel.click(panel.segment(u"stack"_s));
        panel.click(panel.segment(u"client"_s));
        QCOMPARE(panel.rows().size(), 5);

        // Rows opened out of order still stand archive, sort, group.
        for (const QString &toggle : {u"archiveFilterToggle"_s, u"sortToggle"_s})
            panel.click(panel.view->findChild<QToolButton *>(toggle));
        QCoreApplication::processEvents();
        const auto top = [&panel](const QString &row) {
            return panel.view->findChild<QWidget *>(row)->mapTo(panel.view, QPoint()).y();
        };
        QVERIFY(top(u"searchRow"_s) < top(u"archiveFilterRow"_s));
        QVERIFY(top(u"archiveFilterRow"_s) < top(u"sortModeRow"_s));
        QVERIFY(top(u"sortModeRow"_s) < top(u"groupModeRow"_s));
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("delete") << 0 << QStringList{u"refresh"_s, u"delete:Shop"_s};
        QTest::newRow("cancel") << 1 << QStringList{u"refresh"_s};
    }

    void deleteAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, calls);
        Panel panel({project(u"Shop"_s)});
        panel.rig.alerts.answers = {answer};
        panel.view->perform(panel.rig.store.list.first(), RowAction::deleteProject);
        QCOMPARE(panel.rig.alerts.asked.size(), 1);
        QVERIFY(panel.rig.alerts.asked.first().informativeText.contains(u"Shop"_s));
        QCOMPARE(panel.rig.alerts.asked.first().harmlessButton, 1);
        QCOMPARE(panel.rig.store.calls, calls);
    }

    void refreshSpinsOncePerClick()
    {
        Panel panel({project(u"Shop"_s)});
        QCOMPARE(panel.rig.store.calls, QStringList{u"refresh"_s}); // the list came on screen
        auto *button = panel.view->findChild<QToolButton *>(u"refreshButton"_s);
        panel.click(button);
        panel.view->refreshStatuses();
        QCOMPARE(panel.rig.store.calls.count(u"refresh"_s), 2);
        QVERIFY(!button->isEnabled());
        QVERIFY(QSignalSpy(panel.view->findChild<QTimer *>(u"refreshSpinTimer"_s), &QTimer::timeout).wait());
        QVERIFY(button->isEnabled());
        panel.click(button);
        QCOMPARE(panel.rig.store.calls.count(u"refresh"_s), 3);
    }

    // The footer's three symbols are drawn at one size, and the two on the
    // right stand the style's default spacing apart.
    void footerSymbolsShareOneSizeAndTheDefaultSpacing()
    {
        Panel panel({project(u"Shop"_s)});
        auto *usage = panel.view->findChild<QToolButton *>(u"usageOverviewButton"_s);
        auto *gear = panel.view->findChild<QToolButton *>(u"gearMenuButton"_s);
        for (QToolButton *button : {panel.view->findChild<QToolButton *>(u"refreshButton"_s), usage, gear})
            QCOMPARE(button->icon().pixmap(button->iconSize()).deviceIndependentSize(), QSizeF(13, 13));

        const int spacing =
            usage->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, usage->parentWidget());
        QVERIFY(spacing > 0);
        QCOMPARE(gear->x() - usage->geometry().right() - 1, spacing);
    }

    void errorLineShowsTheStoreError()
    {
        Panel panel({});
        auto *line = panel.view->findChild<QLabel *>(u"storeErrorLine"_s);
        QVERIFY(!line->isVisible());
        // The error may quote a project's name: shown as typed.
        panel.rig.store.error = u"“<b>Blog</b>” already uses this folder"_s;
        Q_EMIT panel.rig.store.lastErrorChanged();
        QVERIFY(line->isVisible());
        QCOMPARE(line->text(), *panel.rig.store.error);
        const QString problem = test::plainTextProblem(panel.view, u"<b>Blog</b>"_s);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        // A long error shows whole, wrapped, each of its lines on lines of
        // its own, and the path in it can be copied.
        const QString path = u"/home/dev/.local/share/Devnook/projects.json.unreadable-20261207-023522"_s;
        panel.rig.store.error = u"4 projects in the catalogue could not be read (project 2 holds NUL bytes, "
                                u"from byte 1208 of the file).\nThe catalogue as it was is kept in "_s +
                                path + u".\n1 usage session could not be read (cut)."_s;
        Q_EMIT panel.rig.store.lastErrorChanged();
        QCOMPARE(line->text(), *panel.rig.store.error);
        QVERIFY(line->heightForWidth(line->width()) >= 4 * line->fontMetrics().lineSpacing());
        QTRY_VERIFY(line->height() >= line->heightForWidth(line->width()));
        // Selected with the mouse, from its first corner to its last.
        const QPoint end(line->width() - 1, line->height() - 1);
        QTest::mousePress(line, Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseMove(line, end / 2);
        QTest::mouseMove(line, end);
        QTest::mouseRelease(line, Qt::LeftButton, {}, end);
        QTest::keySequence(line, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), *panel.rig.store.error);

        // Closing the band asks the store to drop what it reports.
        panel.click(panel.view->findChild<QToolButton *>(u"dismissErrorButton"_s));
        QCOMPARE(panel.rig.store.calls, QStringList{u"dismiss"_s});
        QVERIFY(!line->isVisible());
    }

    // A terminal or a folder that cannot be opened says so on the error
    // line until an open works.
    void failedOpensShowOnTheErrorLine_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("shown");
        QTest::newRow("terminal") << int(RowAction::openTerminal)
                                  << u"Could not open a terminal in /srv/shop: no terminal emulator"_s;
        QTest::newRow("folder") << int(RowAction::revealFolder)
                                << u"Could not open file:///srv/shop: no terminal emulator"_s;
    }
    void failedOpensShowOnTheErrorLine()
    {
        QFETCH(int, action);
        QFETCH(QString, shown);
        DevProject shop = project(u"Shop"_s);
        shop.folderPath = u"/srv/shop"_s;
        Panel panel({shop});
        auto *line = panel.view->findChild<QLabel *>(u"storeErrorLine"_s);
        panel.rig.terminal.failure = panel.rig.files.failure = u"no terminal emulator"_s;
        panel.view->perform(shop, RowAction(action));
        QVERIFY(line->isVisible());
        QCOMPARE(line->text(), shown);

        panel.rig.terminal.failure = panel.rig.files.failure = QString();
        panel.view->perform(shop, RowAction(action));
        QVERIFY(!line->isVisible());

        // Under a store error, not instead of it; closing the band drops both.
        panel.rig.store.error = u"Could not save projects: No space left on device"_s;
        panel.rig.terminal.failure = panel.rig.files.failure = u"no terminal emulator"_s;
        panel.view->perform(shop, RowAction(action));
        QCOMPARE(line->text(), *panel.rig.store.error + u'\n' + shown);
        panel.click(panel.view->findChild<QToolButton *>(u"dismissErrorButton"_s));
        QVERIFY(!line->isVisible());
    }

    void storeUpdatesKeepScrollSearchAndRepaintOneRow()
    {
        QList<DevProject> projects;
        for (int i = 0; i < 60; ++i)
            projects.append(project(u"Project %1"_s.arg(i, 2, 10, QChar(u'0'))));
        Panel panel(projects);
        panel.search(u"project"_s);
        QScrollBar *scroll = panel.view->listView().verticalScrollBar();
        scroll->setValue(scroll->maximum() / 2);
        const int before = scroll->value();

        QSignalSpy changed(&panel.view->listModel(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&panel.view->listModel(), &QAbstractItemModel::modelReset);
        panel.rig.store.setState(projects[7].id, DevProcessState::running);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 7);
        QCOMPARE(changed.first().at(1).toModelIndex().row(), 7);

        projects.move(0, 59);
        panel.rig.store.setProjects(projects);
        QCOMPARE(reset.size(), 1);
        QTest::qWait(50);
        QCOMPARE(scroll->value(), before);
        QCOMPARE(panel.view->listState().searchText, u"project"_s);
        QCOMPARE(panel.rows().last(), u"Project 00"_s);
    }

    // A new search shows its matches from the first, also when they are the
    // rows already listed.
    void newSearchScrollsToTheTop_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("first letter") << QString() << u"p"_s;
        QTest::newRow("one letter less") << u"project"_s << u"projec"_s;
        QTest::newRow("cleared") << u"project"_s << QString();
        QTest::newRow("client badge") << QString() << u"Acme"_s;
    }

    void newSearchScrollsToTheTop()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QList<DevProject> projects;
        for (int i = 0; i < 60; ++i)
            projects.append(project(u"Project %1"_s.arg(i, 2, 10, QChar(u'0')), u"Acme"_s));
        Panel panel(projects);
        panel.search(before);
        QScrollBar *scroll = panel.view->listView().verticalScrollBar();
        scroll->setValue(scroll->maximum() / 2);
        QVERIFY(scroll->value() > 0);
        if (after == u"Acme"_s)
            panel.clickZone(u"Project 30"_s, CardZone::Kind::clientBadge);
        else
            panel.search(after);
        QCOMPARE(panel.view->listState().searchText, after);
        QCOMPARE(scroll->value(), 0);
    }

    // The painted cards tell a screen reader, through the list's cells, the
    // name, the state, the badges and the action buttons.
    void rowsSpeakTheirCards_data()
    {
        QTest::addColumn<bool>("folderMissing");
        QTest::addColumn<QStringList>("spoken");
        QTest::addColumn<QStringList>("unspoken");
        QTest::newRow("running with badges")
            << false
            << QStringList{u"Running"_s,    u"Acme"_s,   u"Vue"_s,      u"main"_s, u"Uncommitted changes"_s,
                           u".env Local"_s, u"Folder"_s, u"Terminal"_s, u"Stop"_s}
            << QStringList{u"Folder not found"_s};
        QTest::newRow("folder missing")
            << true << QStringList{u"Running"_s, u"Folder not found"_s} << QStringList{};
    }

    void rowsSpeakTheirCards()
    {
        QFETCH(bool, folderMissing);
        QFETCH(QStringList, spoken);
        QFETCH(QStringList, unspoken);
        DevProject shop = project(u"Shop"_s, u"Acme"_s);
        shop.stack = u"Vue"_s;
        Panel panel({shop});
        test::FakePanelStore &store = panel.rig.store;
        store.git.insert(shop.id, ProjectGitStatus{u"main"_s, true});
        store.env.insert(shop.id, ProjectEnvProfile{u"Local"_s, {u".env.local"_s}});
        store.facts.insert(shop.id, ProjectFolderFacts{folderMissing, false});
        store.states.insert(shop.id, DevProcessState::running);
        Q_EMIT store.statusesChanged();

        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&panel.view->listView());
        QVERIFY(list && list->childCount() == 1);
        QCOMPARE(list->child(0)->text(QAccessible::Name), u"Shop"_s);
        const QStringList description = list->child(0)->text(QAccessible::Description).split(u", "_s);
        for (const QString &part : std::as_const(spoken))
            QVERIFY2(description.contains(part), qPrintable(part));
        for (const QString &part : std::as_const(unspoken))
            QVERIFY2(!description.contains(part), qPrintable(part));
    }

    void rowClicksReachTheStoreAndTheDesktop()
    {
        DevProject shop = project(u"Shop"_s, u" Acme "_s);
        shop.isPinned = true;
        Panel panel({shop});
        panel.rig.store.calls.clear();
        panel.clickZone(u"Shop"_s, CardZone::Kind::actionButton, 3); // run
        panel.clickZone(u"Shop"_s, CardZone::Kind::pinMark);
        panel.clickZone(u"Shop"_s, CardZone::Kind::actionButton, 1); // terminal
        panel.clickZone(u"Shop"_s, CardZone::Kind::actionButton, 0); // folder
        QCOMPARE(panel.rig.store.calls, (QStringList{u"toggleDevProcess:Shop"_s, u"togglePinned:Shop"_s,
                                                     u"markUsed:Shop"_s, u"markUsed:Shop"_s}));
        QCOMPARE(panel.rig.terminal.folders, QStringList{shop.folderPath});
        // The folder is selected in the file manager, not opened.
        QCOMPARE(panel.rig.files.revealed, QStringList{shop.folderPath});
        QVERIFY(panel.rig.urls.opened.isEmpty());

        panel.view->perform(shop, RowAction::copyProjectPath);
        QCOMPARE(panel.rig.clipboard.texts, QStringList{shop.folderPath});
        panel.clickZone(u"Shop"_s, CardZone::Kind::clientBadge);
        QCOMPARE(panel.view->listState().searchText, u" Acme "_s);
        QCOMPARE(panel.rows(), QStringList{u"Shop"_s});
    }

    // Entries for windows this build lacks open nothing; the others reach them.
    void rowsOpenOnlyTheWindowsThatExist()
    {
        const DevProject shop = project(u"Shop"_s);
        RowWindows logsOnly;
        logsOnly.logs = true;
        Panel panel({shop}, logsOnly);
        panel.view->perform(shop, RowAction::logs);
        panel.view->perform(shop, RowAction::envDetails);
        panel.view->perform(shop, RowAction::usageStatistics);
        QCOMPARE(panel.rig.windows.shown, QStringList{u"logs:Shop"_s});
    }

    // The entry opens the window also for a stopped project; the mark shows
    // while the preview is on, with the published health, and opens it too.
    void devicePreviewFromTheRow()
    {
        const DevProject shop = project(u"Shop"_s);
        RowWindows windows;
        windows.devicePreview = true;
        Panel panel({shop}, windows);
        panel.clickZone(u"Shop"_s, CardZone::Kind::menuButton);
        QAction *entry =
            panel.view->findChild<QMenu *>(u"projectRowMenu"_s)->findChild<QAction *>(u"device_preview"_s);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        QCOMPARE(panel.rig.windows.shown, QStringList{u"devicePreview:Shop"_s});

        const auto markTooltip = [&]() -> QString {
            for (const CardZone &zone : panel.view->listView().cardLayout(0).zones)
                if (zone.kind == CardZone::Kind::devicePreviewMark)
                    return zone.tooltip;
            return u"no mark"_s;
        };
        QCOMPARE(markTooltip(), u"no mark"_s);
        panel.rig.store.previewsOn.insert(shop.id);
        panel.rig.store.previewHealth.insert(shop.id, DevicePreviewHealthSummary::result(1, 2));
        Q_EMIT panel.rig.store.devicePreviewChanged();
        QCOMPARE(markTooltip(), u"Only 1 of 2 network addresses answer"_s);
        panel.clickZone(u"Shop"_s, CardZone::Kind::devicePreviewMark);
        QCOMPARE(panel.rig.windows.shown.size(), 2);
        QCOMPARE(panel.rig.store.calls.filter(u"markUsed"_s), QStringList());
    }

    void rowMenuSurvivesStoreUpdates()
    {
        Panel panel({project(u"Shop"_s), project(u"Blog"_s)});
        panel.clickZone(u"Blog"_s, CardZone::Kind::menuButton);
        auto *menu = panel.view->findChild<QMenu *>(u"projectRowMenu"_s);
        QVERIFY(menu && menu->isVisible());
        QVERIFY(!menu->findChild<QAction *>(u"view_logs"_s)->isEnabled());
        panel.rig.store.setState(panel.rig.store.list[1].id, DevProcessState::running);
        panel.rig.store.setProjects(panel.rig.store.list);
        QVERIFY(menu->isVisible());
        panel.rig.store.calls.clear();
        menu->findChild<QAction *>(u"start_workspace"_s)->trigger();
        QCOMPARE(panel.rig.store.calls, QStringList{u"startWorkspace:Blog"_s});
    }
};

QTEST_MAIN(PanelTest)
#include "PanelTest.moc"
