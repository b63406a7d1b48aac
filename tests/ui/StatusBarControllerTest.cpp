#include "ui/shell/StatusBarController.h"

#include "ShellDoubles.h"
#include "support/FormDoubles.h"
#include "ui/shell/DevnookNavigation.h"
#include "ui/shell/PanelGeometry.h"
#include "ui/shell/PanelWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

class StatusBarControllerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::SettingsRig> m_rig;
    test::FakeShellStore m_store;
    test::FakeHotKey m_hotKey;
    test::MemoryFormCatalogue m_catalogue;
    test::ScriptedAlertAsker m_alerts;
    std::unique_ptr<StatusBarController> m_controller;

    StatusBarController &makeController()
    {
        m_controller = std::make_unique<StatusBarController>(
            StatusBarController::Services{m_store, m_rig->defaults, m_rig->updates, m_hotKey, m_rig->windows,
                                          m_rig->urls, m_catalogue, m_alerts});
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

    QSize storedSize() const
    {
        return PanelGeometry::savedSize(m_rig->defaults.value(StatusBarController::kPanelSizeKey), QRect());
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
        m_rig->defaults.setValue(StatusBarController::kPanelSizeKey,
                                 QVariantMap{{u"width"_s, 300.0}, {u"height"_s, 500.0}});
        StatusBarController &controller = shownController();
        PanelWindow *panel = controller.panel();
        QCOMPARE(panel->size(), QSize(420, 560));
        panel->resize(480, 570);
        QCOMPARE(storedSize(), QSize(480, 570));

        // The controller's own resizes into and out of the form store nothing.
        controller.navigation().openNewProjectForm();
        QTRY_COMPARE(panel->size(), formSize());
        // A repeated flag must not take the form's size for the list's.
        controller.navigation().setShowingProjectForm(true);
        QCOMPARE(storedSize(), QSize(480, 570));
        controller.navigation().closeProjectForm();
        QTRY_COMPARE(panel->size(), QSize(480, 570));
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
        controller.showPanel();
        QVERIFY(panel->findChild<QWidget *>(u"projectListMode"_s)->isVisible());
        QVERIFY(add->isVisible());
        m_store.setProjects({{u"Alpha"_s, false}});
        QVERIFY(!add->isVisible());
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

        m_store.setProjects({{u"Alpha"_s, true}, {u"Idle"_s, false}, {u"Beta"_s, true}, {u"Gamma"_s, true}});
        QCOMPARE(controller.trayIcon().toolTip(), u"Alpha, Beta, +1"_s);
        m_store.setProjects({{u"Alpha"_s, false}});
        QCOMPARE(controller.trayIcon().toolTip(), u"Devnook"_s);
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

        // Ctrl+N works from the settings window too; Ctrl+Alt+N does nothing.
        QTest::keyClick(settings, Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!controller.navigation().isShowingProjectForm());
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
};

QTEST_MAIN(StatusBarControllerTest)
#include "StatusBarControllerTest.moc"
