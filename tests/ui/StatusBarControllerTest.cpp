#include "ui/shell/StatusBarController.h"

#include "ShellDoubles.h"
#include "core/panel/DevnookNavigation.h"
#include "platform/null/NullWindowHints.h"
#include "ui/kit/KitStyle.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ThemeApplier.h"
#include "ui/shell/AlertPortConflictAsker.h"
#include "ui/shell/PanelGeometry.h"
#include "ui/shell/PanelWindow.h"
#include "ui/shell/QuitCoordinator.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(PortConflictResolution)

// The shell: the status bar controller with its panel and menu, and its
// questions through the alert seam, where the harmless answer is the default
// and only a known button does anything.
class StatusBarControllerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::SettingsRig> m_rig;
    test::FakeShellStore m_store;
    test::FakeHotKey m_hotKey;
    NullWindowHints m_windowHints;
    std::unique_ptr<StatusBarController> m_controller;

    StatusBarController &makeController()
    {
        m_controller = std::make_unique<StatusBarController>(StatusBarController::Services{
            m_store, m_rig->defaults, m_rig->updates, m_hotKey, m_windowHints, m_rig->windows, m_rig->urls});
        m_controller->joinDesktop();
        return *m_controller;
    }

    StatusBarController &shownController()
    {
        StatusBarController &controller = makeController();
        controller.showPanel();
        if (!QTest::qWaitForWindowActive(controller.panel()))
            qFatal("The panel never became active");
        return controller;
    }

    std::optional<QSize> storedSize() const
    {
        const KeyValueStore &defaults = m_rig->defaults;
        if (!defaults.contains(StatusBarController::kPanelWidthKey))
            return std::nullopt;
        return QSize(defaults.value(StatusBarController::kPanelWidthKey).toInt(),
                     defaults.value(StatusBarController::kPanelHeightKey).toInt());
    }

    static QSize formSize()
    {
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        return PanelGeometry::kFormSize.boundedTo(visible.size() - QSize(16, 16));
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::SettingsRig>();
        m_store.projects.clear();
        m_store.calls.clear();
    }

    void cleanup()
    {
        m_controller.reset();
        m_rig.reset();
    }

    void restoresTheSavedSizeAndStoresOnlyTheUsersResizes()
    {
        // A size stored as one value by an earlier build is still read.
        m_rig->defaults.setValue(StatusBarController::kPanelSizeKey,
                                 QVariantMap{{u"width"_s, 300.0}, {u"height"_s, 500.0}});
        StatusBarController &controller = shownController();
        PanelWindow *panel = controller.panel();
        QCOMPARE(panel->size(), QSize(420, 560));
        QCOMPARE(storedSize(), std::nullopt); // nothing stored at launch
        panel->startUserResize(Qt::RightEdge);
        panel->resize(480, 570);
        QCOMPARE(storedSize(), QSize(480, 570));
        QVERIFY(!m_rig->defaults.contains(StatusBarController::kPanelSizeKey));

        // The controller's own resizes into and out of the form store nothing.
        controller.navigation().openNewProjectForm();
        QTRY_COMPARE(panel->size(), formSize());
        // A repeated flag must not take the form's size for the list's.
        controller.navigation().setShowingProjectForm(true);
        QCOMPARE(storedSize(), QSize(480, 570));
        controller.navigation().closeProjectForm();
        QTRY_COMPARE(panel->size(), QSize(480, 570));
        // A window manager reports the frames of the animation late.
        panel->resize(560, 620);
        QCOMPARE(storedSize(), QSize(480, 570));
    }

    // Without a tray the panel stands at the screen's top-right corner: the
    // form, grown around the list's centre, is pushed back inside the screen,
    // also one shorter than the form, and the list returns to where it
    // stood, not around the form's centre.
    void formVisitReturnsTheListToItsPlace()
    {
        StatusBarController &controller = shownController();
        PanelWindow *panel = controller.panel();
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect list = panel->geometry();
        for (int visit = 0; visit < 2; ++visit) {
            controller.navigation().openNewProjectForm();
            QTRY_COMPARE(panel->size(), formSize());
            QCOMPARE(panel->minimumSize(), PanelGeometry::kFormMinimum.boundedTo(formSize()));
            QVERIFY(visible.contains(panel->geometry()));
            controller.navigation().closeProjectForm();
            QTRY_COMPARE(panel->geometry(), list);
        }
    }

    void emptyPanelOffersTheFormAndHidingDiscardsIt()
    {
        StatusBarController &controller = shownController();
        PanelWindow *panel = controller.panel();
        auto *add = panel->findChild<QPushButton *>(u"emptyProjectsAddButton"_s);
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(panel->findChild<QWidget *>(u"projectFormMode"_s)->isVisible());
        controller.navigation().setEditingProject(DevProject{});
        QTRY_COMPARE(panel->size(), formSize());

        controller.hidePanel();
        QVERIFY(!controller.navigation().isShowingProjectForm());
        QVERIFY(!controller.navigation().editingProject().has_value());
        QCOMPARE(panel->size(), QSize(420, 560));
        panel->resize(560, 620); // the window manager's late report of a form frame
        controller.showPanel();
        QCOMPARE(panel->size(), QSize(420, 560));
        QVERIFY(panel->findChild<QWidget *>(u"projectListMode"_s)->isVisible());
        QVERIFY(add->isVisible());
        DevProject alpha;
        alpha.name = u"Alpha"_s;
        m_store.panel.store.setProjects({alpha});
        QVERIFY(!add->isVisible());
    }

    // The panel, open on every launch, is painted by the application's style
    // instead of styled widget by widget through the theme's sheet; the form
    // inside it and every other window take the sheet.
    void thePanelIsPaintedAndTheFormTakesTheSheet()
    {
        m_store.panel.store.setProjects({});
        m_rig->settings.setTheme(AppTheme::light);
        ThemeApplier theme(m_rig->settings);
        PanelWindow *panel = shownController().panel();
        auto *hint = panel->findChild<QLabel *>(u"emptyProjectsHint"_s);
        QVERIFY(qobject_cast<KitStyle *>(hint->style()));
        auto *formPage = panel->findChild<QWidget *>(u"projectFormMode"_s);
        QVERIFY(formPage->styleSheet().isEmpty());
        QTest::mouseClick(panel->findChild<QPushButton *>(u"emptyProjectsAddButton"_s), Qt::LeftButton);
        QVERIFY(!formPage->styleSheet().isEmpty());
        m_controller->hidePanel();
        m_controller->showPanel();
        QWidget other;
        other.show();
        QVERIFY(!other.styleSheet().isEmpty());

        const auto grouped = [panel] {
            return panel->findChild<QWidget *>(u"emptyProjectsView"_s)->grab().toImage().pixelColor(5, 5);
        };
        for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
            m_rig->settings.setTheme(scheme == ColorScheme::dark ? AppTheme::dark : AppTheme::light);
            QCOMPARE(hint->palette().color(QPalette::WindowText), Palette::forScheme(scheme).secondaryLabel);
            QCOMPARE(grouped(), Palette::forScheme(scheme).groupedBackground);
        }
        m_rig->settings.setTheme(AppTheme::light);
        auto *list = panel->findChild<QAbstractScrollArea *>(u"projectListView"_s);
        QCOMPARE(list->verticalScrollBar()->sizeHint().width(), 10);
    }

    void hotKeyShowsTrayClicksToggleAndTheTitleFollows()
    {
        StatusBarController &controller = makeController();
        QVERIFY(m_hotKey.pressed);
        m_hotKey.pressed();
        m_hotKey.pressed(); // pressed while open: stays and refreshes again
        QVERIFY(controller.panel()->isVisible());
        QCOMPARE(m_store.calls, (QStringList{u"refresh"_s, u"refresh"_s}));

        Q_EMIT controller.trayIcon().activated(QSystemTrayIcon::Trigger);
        QVERIFY(!controller.panel()->isVisible());
        Q_EMIT controller.trayIcon().activated(QSystemTrayIcon::Context);
        QVERIFY(!controller.panel()->isVisible());
        Q_EMIT controller.trayIcon().activated(QSystemTrayIcon::Trigger);
        QVERIFY(controller.panel()->isVisible());

        m_store.setProjects({{u"Alpha"_s, true}, {u"Beta"_s, true}, {u"Gamma"_s, true}});
        QCOMPARE(controller.trayIcon().toolTip(), u"Alpha, Beta, +1"_s);
    }

    void statusMenuActions()
    {
        StatusBarController &controller = makeController();
        QMenu *menu = controller.statusMenu();
        Q_EMIT menu->aboutToShow();
        const auto action = [menu](const QString &name) { return menu->findChild<QAction *>(name); };
        QVERIFY(!action(u"check_for_updates"_s)->isEnabled());

        QSignalSpy quit(&controller, &StatusBarController::quitRequested);
        action(u"quit_devnook"_s)->trigger();
        QCOMPARE(quit.size(), 1);
        action(u"report_bug"_s)->trigger();
        QCOMPARE(m_rig->urls.opened.size(), 1);
        QCOMPARE(m_rig->urls.opened.constFirst().scheme(), u"mailto"_s);
        action(u"add_project"_s)->trigger();
        QVERIFY(controller.panel()->isVisible());
        QVERIFY(controller.navigation().isShowingProjectForm());
    }

    void escapeHidesOnlyFromThePanel()
    {
        StatusBarController &controller = shownController();
        m_rig->windows.show(SettingsDestination::top);
        QWidget *settings = m_rig->windows.window();
        QVERIFY(QTest::qWaitForWindowActive(settings));
        QTest::keyClick(settings, Qt::Key_Escape);
        QVERIFY(controller.panel()->isVisible());

        // Ctrl+N works from the settings window too.
        QTest::keyClick(settings, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(controller.navigation().isShowingProjectForm());

        controller.panel()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(controller.panel()));
        QTest::keyClick(controller.panel(), Qt::Key_Escape);
        QVERIFY(!controller.panel()->isVisible());
        QVERIFY(!controller.navigation().isShowingProjectForm());
    }

    void editingKeysReachTextFieldsWithShiftToo()
    {
        StatusBarController &controller = makeController();
        auto *field = new QLineEdit(controller.panel());
        controller.showPanel();
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QGuiApplication::clipboard()->setText(u"npm run dev"_s);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(field->selectedText(), u"npm run dev"_s);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(field->text(), QString());
    }

    void quitQuestion_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<QList<int>>("script"); // empty: the harmless answer
        QTest::addColumn<bool>("terminates");
        QTest::addColumn<QStringList>("calls");
        const QStringList finish{u"finishUsage"_s};
        QTest::newRow("nothing runs: no question") << false << QList<int>() << true << finish;
        QTest::newRow("stop and quit")
            << true << QList<int>{QuitCoordinator::stopAndQuit} << true << finish + QStringList{u"stopAll"_s};
        QTest::newRow("quit anyway") << true << QList<int>{QuitCoordinator::quitAnyway} << true << finish;
        QTest::newRow("cancel") << true << QList<int>{QuitCoordinator::cancel} << false << QStringList();
        QTest::newRow("harmless answer") << true << QList<int>() << false << QStringList();
        QTest::newRow("closed another way") << true << QList<int>{-1} << false << QStringList();
    }

    void quitQuestion()
    {
        QFETCH(bool, running);
        QFETCH(QList<int>, script);
        QFETCH(bool, terminates);
        QFETCH(QStringList, calls);
        test::FakeShellStore store;
        store.projects = {{u"Alpha"_s, running}};
        test::ScriptedAlertAsker alerts;
        alerts.answers = script;
        QuitCoordinator quit(store, alerts);
        QCOMPARE(quit.shouldTerminate(nullptr), terminates);
        QCOMPARE(store.calls, calls);
        QCOMPARE(alerts.asked.size(), running ? 1 : 0);
        if (!running)
            return;
        const AlertRequest &request = alerts.asked.constFirst();
        QCOMPARE(request.buttons.size(), 3);
        for (const QString &text : request.buttons + QStringList{request.message, request.informativeText})
            QVERIFY2(!text.contains(u'_'), qPrintable(text)); // localised, not keys
    }

    void portConflictQuestion_data()
    {
        QTest::addColumn<QList<int>>("script");
        QTest::addColumn<PortConflictResolution>("expected");
        QTest::newRow("enter, escape or closing") << QList<int>{} << PortConflictResolution::cancel;
        QTest::newRow("close") << QList<int>{0} << PortConflictResolution::cancel;
        QTest::newRow("free the port") << QList<int>{1} << PortConflictResolution::freePort;
        QTest::newRow("continue anyway") << QList<int>{2} << PortConflictResolution::continueAnyway;
        QTest::newRow("unknown button") << QList<int>{7} << PortConflictResolution::cancel;
    }

    void portConflictQuestion()
    {
        QFETCH(QList<int>, script);
        QFETCH(PortConflictResolution, expected);
        test::ScriptedAlertAsker alerts;
        alerts.answers = script;
        AlertPortConflictAsker asker(alerts);
        const PortConflictQuestion question{u"Port 3000 is in use"_s, u"node (pid 42) listens there."_s,
                                            u"Close"_s, u"Free Port"_s, u"Continue Anyway"_s};
        QCOMPARE(asker.ask(question), expected);
        QCOMPARE(alerts.asked.size(), 1);
        const AlertRequest &request = alerts.asked.constFirst();
        QCOMPARE(request.buttons, (QStringList{u"Close"_s, u"Free Port"_s, u"Continue Anyway"_s}));
        QCOMPARE(request.harmlessButton, 0);
        QCOMPARE(request.message, question.title);
    }
};

QTEST_MAIN(StatusBarControllerTest)
#include "StatusBarControllerTest.moc"
