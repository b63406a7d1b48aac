#include "ShellDoubles.h"
#include "core/foundation/KeyValueStore.h"
#include "core/projects/AppSettings.h"
#include "platform/null/NullAnalyticsService.h"
#include "platform/null/NullLoginItemService.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/shell/DevnookNavigation.h"
#include "ui/shell/PanelGeometry.h"
#include "ui/shell/PanelWindow.h"
#include "ui/shell/StatusBarController.h"
#include "ui/shell/UpdateService.h"

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
using test::FakeHotKey;
using test::FakeShellStore;

class StatusBarControllerTest : public QObject {
    Q_OBJECT

private:
    MemoryKeyValueStore m_defaults;
    NullLoginItemService m_loginItem;
    NullAnalyticsService m_analytics;
    UpdateService m_updates;
    FakeShellStore m_store;
    FakeHotKey m_hotKey;
    test::RecordingUrlOpener m_urls;
    QList<QUrl> &m_opened = m_urls.opened;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<SettingsWindowController> m_settingsWindows;
    std::unique_ptr<StatusBarController> m_controller;

    StatusBarController &makeController()
    {
        m_settings = std::make_unique<AppSettings>(m_defaults, m_loginItem, m_analytics);
        m_settingsWindows = std::make_unique<SettingsWindowController>(*m_settings, m_updates, m_defaults, m_urls);
        m_controller = std::make_unique<StatusBarController>(
            StatusBarController::Services{m_store, m_defaults, m_updates, m_hotKey, *m_settingsWindows, m_urls});
        return *m_controller;
    }

    QSize formSize() const
    {
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        return PanelGeometry::kFormSize.boundedTo(visible.size() - QSize(16, 16));
    }

    void showAndActivate(StatusBarController &controller)
    {
        controller.showPanel();
        QVERIFY(QTest::qWaitForWindowActive(controller.panel()));
    }

private Q_SLOTS:
    void init()
    {
        m_defaults = MemoryKeyValueStore();
        m_store.projects.clear();
        m_store.calls.clear();
        m_opened.clear();
    }

    void cleanup()
    {
        m_controller.reset();
        m_settingsWindows.reset();
        m_settings.reset();
    }

    void restoresTheSavedSizeAndStoresOnlyTheUsersResizes()
    {
        m_defaults.setValue(StatusBarController::kPanelSizeKey,
                            QVariantMap{{u"width"_s, 300.0}, {u"height"_s, 500.0}});
        StatusBarController &controller = makeController();
        PanelWindow *panel = controller.panel();
        QCOMPARE(panel->size(), QSize(420, 560));

        showAndActivate(controller);
        panel->resize(480, 570);
        QCOMPARE(PanelGeometry::savedSize(m_defaults.value(StatusBarController::kPanelSizeKey), QRect()),
                 QSize(480, 570));

        // The controller's own resizes into and out of the form store nothing.
        controller.navigation().openNewProjectForm();
        QTRY_COMPARE(panel->size(), formSize());
        QCOMPARE(PanelGeometry::savedSize(m_defaults.value(StatusBarController::kPanelSizeKey), QRect()),
                 QSize(480, 570));
        controller.navigation().closeProjectForm();
        QTRY_COMPARE(panel->size(), QSize(480, 570));
        QCOMPARE(panel->minimumSize(), PanelGeometry::kListMinimum);
    }

    void repeatingTheFormFlagDoesNotResize()
    {
        StatusBarController &controller = makeController();
        showAndActivate(controller);
        QSignalSpy resized(controller.panel(), &PanelWindow::resized);
        controller.navigation().setShowingProjectForm(false);
        controller.navigation().setShowingProjectForm(false);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(resized.isEmpty());
    }

    void hidingThePanelDiscardsTheForm()
    {
        StatusBarController &controller = makeController();
        showAndActivate(controller);
        DevProject edited;
        edited.name = u"Alpha"_s;
        controller.navigation().setEditingProject(edited);
        controller.navigation().setShowingProjectForm(true);
        QTRY_COMPARE(controller.panel()->size(), formSize());

        controller.hidePanel();
        QVERIFY(!controller.panel()->isVisible());
        QVERIFY(!controller.navigation().isShowingProjectForm());
        QVERIFY(!controller.navigation().editingProject().has_value());
        QCOMPARE(controller.panel()->size(), QSize(420, 560));

        // The next showing starts in the list.
        controller.showPanel();
        QVERIFY(controller.panel()->findChild<QWidget *>(u"projectListMode"_s)->isVisible());
    }

    void showingRefreshesStatusesAndTheHotKeyShows()
    {
        StatusBarController &controller = makeController();
        QVERIFY(m_hotKey.pressed);
        m_hotKey.pressed();
        QVERIFY(controller.panel()->isVisible());
        QCOMPARE(m_store.calls, QStringList{u"refresh"_s});
        // Pressed again while open: the panel stays and statuses refresh again.
        m_hotKey.pressed();
        QVERIFY(controller.panel()->isVisible());
        QCOMPARE(m_store.calls.size(), 2);
    }

    void trayClicksToggleButRightClicksDoNot()
    {
        StatusBarController &controller = makeController();
        Q_EMIT controller.trayIcon().activated(QSystemTrayIcon::Context);
        QVERIFY(!controller.panel()->isVisible());
        Q_EMIT controller.trayIcon().activated(QSystemTrayIcon::Trigger);
        QVERIFY(controller.panel()->isVisible());
        Q_EMIT controller.trayIcon().activated(QSystemTrayIcon::Trigger);
        QVERIFY(!controller.panel()->isVisible());
    }

    void titleNamesTheRunningProjects()
    {
        StatusBarController &controller = makeController();
        QCOMPARE(controller.statusTitle(), QString());
        QCOMPARE(controller.trayIcon().toolTip(), u"Devnook"_s);
        m_store.setProjects({{u"Alpha"_s, true}, {u"Idle"_s, false}, {u"Beta"_s, true}, {u"Gamma"_s, true}});
        QCOMPARE(controller.statusTitle(), u"Alpha, Beta, +1"_s);
        QCOMPARE(controller.trayIcon().toolTip(), u"Alpha, Beta, +1"_s);
        m_store.setProjects({{u"Alpha"_s, false}});
        QCOMPARE(controller.trayIcon().toolTip(), u"Devnook"_s);
    }

    void statusMenuIsBuiltWithTheUpdateItemOff()
    {
        StatusBarController &controller = makeController();
        QMenu *menu = controller.statusMenu();
        Q_EMIT menu->aboutToShow();
        QStringList names;
        for (const QAction *action : menu->actions())
            if (!action->isSeparator())
                names.append(action->objectName());
        QCOMPARE(names, (QStringList{u"open_devnook"_s, u"add_project"_s, u"usage_title"_s, u"settings_title"_s,
                                     u"check_for_updates"_s, u"report_bug"_s, u"request_feature"_s,
                                     u"quit_devnook"_s}));
        QVERIFY(!menu->findChild<QAction *>(u"check_for_updates"_s)->isEnabled());
        QVERIFY(menu->findChild<QAction *>(u"open_devnook"_s)->text().contains(u'\t'));

        QSignalSpy quit(&controller, &StatusBarController::quitRequested);
        menu->findChild<QAction *>(u"quit_devnook"_s)->trigger();
        QCOMPARE(quit.size(), 1);
        menu->findChild<QAction *>(u"report_bug"_s)->trigger();
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(m_opened.constFirst().toString().startsWith(u"mailto:"_s));
        menu->findChild<QAction *>(u"add_project"_s)->trigger();
        QVERIFY(controller.panel()->isVisible());
        QVERIFY(controller.navigation().isShowingProjectForm());
    }

    void escapeHidesOnlyFromThePanel()
    {
        StatusBarController &controller = makeController();
        showAndActivate(controller);
        m_settingsWindows->show(SettingsDestination::top);
        QVERIFY(QTest::qWaitForWindowActive(m_settingsWindows->window()));
        QTest::keyClick(m_settingsWindows->window(), Qt::Key_Escape);
        QVERIFY(controller.panel()->isVisible());

        // Ctrl+N works from the settings window too; Ctrl+Alt+N does nothing.
        QTest::keyClick(m_settingsWindows->window(), Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!controller.navigation().isShowingProjectForm());
        QTest::keyClick(m_settingsWindows->window(), Qt::Key_N, Qt::ControlModifier);
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
        showAndActivate(controller);
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QGuiApplication::clipboard()->setText(u"npm run dev"_s);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(field->text(), u"npm run dev"_s);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(field->selectedText(), u"npm run dev"_s);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(field->text(), QString());
    }

    void emptyCatalogueOffersTheAddButton()
    {
        StatusBarController &controller = makeController();
        showAndActivate(controller);
        auto *add = controller.panel()->findChild<QPushButton *>(u"emptyProjectsAddButton"_s);
        QVERIFY(add && add->isVisible());
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(controller.navigation().isShowingProjectForm());
        QVERIFY(controller.panel()->findChild<QWidget *>(u"projectFormMode"_s)->isVisible());

        controller.navigation().closeProjectForm();
        m_store.setProjects({{u"Alpha"_s, false}});
        QVERIFY(!add->isVisible());
    }
};

QTEST_MAIN(StatusBarControllerTest)
#include "StatusBarControllerTest.moc"
