#include "DialogDriving.h"
#include "ShellDoubles.h"
#include "XvfbDesktop.h"
#include "app/AppDelegate.h"
#include "core/panel/DevnookNavigation.h"
#include "platform/null/NullHotKeyGrabber.h"
#include "platform/null/NullWindowHints.h"
#include "support/PreviewRig.h"
#include "support/StoreDoubles.h"
#include "ui/form/StoreFormCatalogue.h"
#include "ui/kit/AlertAsker.h"
#include "ui/logs/ProjectLogsWindowController.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/panel/StorePanelAdapter.h"
#include "ui/shell/AlertPortConflictAsker.h"
#include "ui/shell/PanelWindow.h"
#include "ui/shell/QuitCoordinator.h"
#include "ui/shell/StatusBarController.h"
#include "ui/shell/StoreShellAdapter.h"

#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// The windows that the window manager stacks, bottom first, from
// _NET_CLIENT_LIST_STACKING on the root window.
QList<WId> stackingOrder()
{
    QProcess xprop;
    xprop.start(u"xprop"_s, {u"-root"_s, u"_NET_CLIENT_LIST_STACKING"_s});
    if (!xprop.waitForFinished(test::kDesktopDeadlineMs))
        return {};
    QList<WId> windows;
    static const QRegularExpression id(u"0x[0-9a-f]+"_s);
    for (const QRegularExpressionMatch &match : id.globalMatch(QString::fromLatin1(xprop.readAll())))
        windows.append(match.captured().toULong(nullptr, 16));
    return windows;
}

// The topmost of the application's own windows; a tray's dock may stand
// above every window.
WId topmostOwnWindow()
{
    QList<WId> own;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->testAttribute(Qt::WA_WState_Created))
            own.append(widget->winId());
    }
    const QList<WId> stacked = stackingOrder();
    for (auto it = stacked.crbegin(); it != stacked.crend(); ++it) {
        if (own.contains(*it))
            return *it;
    }
    return 0;
}

} // namespace

// Each question of the app under a real window manager: with a logs window
// kept on top, the question still opens above every Devnook window.
class QuestionStackingXvfbTest : public QObject {
    Q_OBJECT

private:
    enum Question { quit, deleteConfirmation, duplicateFolder, portConflict };

    QProcess m_windowManager;
    QProcess m_tray;

    test::ScriptedStore m_rig;
    test::SettingsRig m_settings;
    NullHotKeyGrabber m_hotKey;
    NullWindowHints m_windowHints;
    MessageBoxAlertAsker m_alerts;
    std::unique_ptr<AlertPortConflictAsker> m_portAsker;
    test::PreviewRig m_preview;
    std::unique_ptr<StorePanelAdapter> m_panelStore;
    std::unique_ptr<StoreFormCatalogue> m_catalogue;
    test::RecordingPanelWindows m_panelWindows;
    std::unique_ptr<StoreShellAdapter> m_shellStore;
    std::unique_ptr<ProjectLogsWindowController> m_logs;
    std::unique_ptr<StatusBarController> m_statusBar;
    std::unique_ptr<QuitCoordinator> m_quit;
    std::unique_ptr<AppDelegate> m_delegate;
    DevProject m_shop;
    DevProject m_blog;

    // Answers the question once the window manager has stacked it, then
    // checks that it was the topmost Devnook window, active, and over the
    // window it is about.
    template <typename Dialog> void checkOnTopThenAnswer(QWidget *over, std::function<void(Dialog &)> answer)
    {
        test::answerWhenShown<Dialog>(this, [over, answer](Dialog &dialog) {
            const WId question = dialog.winId();
            const bool onTop = QTest::qWaitFor([question] { return topmostOwnWindow() == question; },
                                               test::kDesktopDeadlineMs);
            const bool active =
                QTest::qWaitFor([&dialog] { return dialog.isActiveWindow(); }, test::kDesktopDeadlineMs);
            QWidget *parent = dialog.parentWidget();
            answer(dialog);
            QVERIFY2(onTop, "the question is under another Devnook window");
            QVERIFY2(active, "the question does not have the keyboard");
            QCOMPARE(parent, over);
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("Needs an X server; ctest runs this under xvfb-run");
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QVERIFY(test::startWindowManager(m_windowManager));
        m_tray.start(u"tint2"_s, {});
        QVERIFY(m_tray.waitForStarted(test::kDesktopDeadlineMs));

        m_shop = test::makeProject(u"Shop"_s, m_rig.dir.filePath(u"shop"_s));
        m_shop.services = {
            ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, u"http://localhost:5173"_s}};
        m_blog = test::makeProject(u"Blog"_s, m_rig.dir.filePath(u"blog"_s));
        QVERIFY(QDir().mkpath(m_shop.folderPath) && QDir().mkpath(m_blog.folderPath));
        m_portAsker = std::make_unique<AlertPortConflictAsker>(m_alerts);
        m_rig.asker.passOnTo = m_portAsker.get();
        ProjectStore &store = m_rig.open({m_shop, m_blog});
        m_panelStore = std::make_unique<StorePanelAdapter>(store, m_preview.proxies);
        m_catalogue = std::make_unique<StoreFormCatalogue>(store);
        m_shellStore = std::make_unique<StoreShellAdapter>(
            store, m_rig.manager,
            PanelServices{*m_panelStore, m_rig.commands, m_rig.clipboard, m_rig.opener, m_rig.files, m_alerts,
                          m_panelWindows, *m_catalogue});
        m_logs = std::make_unique<ProjectLogsWindowController>(store, m_rig.clipboard);
        m_statusBar = std::make_unique<StatusBarController>(
            StatusBarController::Services{*m_shellStore, m_settings.defaults, m_settings.updates, m_hotKey,
                                          m_windowHints, m_settings.windows, m_settings.urls});
        m_quit = std::make_unique<QuitCoordinator>(*m_shellStore, m_alerts);
        m_delegate = std::make_unique<AppDelegate>(*m_statusBar, *m_quit, *m_shellStore);
        connect(m_statusBar.get(), &StatusBarController::quitRequested, m_delegate.get(),
                &AppDelegate::requestQuit);
    }

    // The panel, then the logs window over it, which the window manager
    // keeps above ordinary windows.
    void init()
    {
        m_statusBar->showPanel();
        QVERIFY(QTest::qWaitForWindowExposed(m_statusBar->panel(), test::kDesktopDeadlineMs));
        m_logs->show(m_shop);
        QWidget *logs = m_logs->window(m_shop.id);
        QVERIFY(QTest::qWaitForWindowActive(logs, test::kDesktopDeadlineMs));
        QTRY_COMPARE_WITH_TIMEOUT(topmostOwnWindow(), logs->winId(), test::kDesktopDeadlineMs);
    }

    void questionOpensOnTop_data()
    {
        QTest::addColumn<int>("question");
        QTest::newRow("quit with a running project") << int(quit);
        QTest::newRow("delete confirmation") << int(deleteConfirmation);
        QTest::newRow("duplicate-folder alert") << int(duplicateFolder);
        QTest::newRow("port conflict") << int(portConflict);
    }
    void questionOpensOnTop()
    {
        QFETCH(int, question);
        QWidget *logs = m_logs->window(m_shop.id);
        auto *popover = m_statusBar->panel()->findChild<DevnookPopoverView *>();
        ProjectStore &store = *m_rig.store;
        switch (Question(question)) {
        case quit:
            store.toggleDevProcess(m_shop);
            QTRY_VERIFY_WITH_TIMEOUT(m_shellStore->hasActiveProcesses(), test::kDesktopDeadlineMs);
            checkOnTopThenAnswer<QMessageBox>(logs,
                                              [](QMessageBox &box) { test::clickButton(box, u"cancel"_s); });
            QTest::keyClick(logs, Qt::Key_Q, Qt::ControlModifier);
            store.toggleDevProcess(m_shop);
            break;
        case deleteConfirmation:
            checkOnTopThenAnswer<QMessageBox>(m_statusBar->panel(),
                                              [](QMessageBox &box) { test::clickButton(box, u"cancel"_s); });
            popover->perform(m_blog, RowAction::deleteProject);
            QCOMPARE(store.projects().size(), 2);
            break;
        case duplicateFolder:
            m_statusBar->navigation().openNewProjectForm();
            checkOnTopThenAnswer<QFileDialog>(m_statusBar->panel(), [this](QFileDialog &dialog) {
                checkOnTopThenAnswer<QMessageBox>(m_statusBar->panel(),
                                                  [](QMessageBox &box) { test::clickButton(box, u"ok"_s); });
                test::choosePath(dialog, m_blog.folderPath);
            });
            popover->findChild<QPushButton *>(u"chooseFolder"_s)->click();
            m_statusBar->navigation().closeProjectForm();
            break;
        case portConflict:
            m_rig.ports.listeners = {{5173, PortListener{4242, u"node"_s}}};
            const qsizetype starts = m_rig.manager.started.size();
            checkOnTopThenAnswer<QMessageBox>(
                logs, [](QMessageBox &box) { test::clickButton(box, u"port_conflict_close"_s); });
            logs->findChild<QPushButton *>(u"toggleButton"_s)->click();
            QCOMPARE(m_rig.manager.started.size(), starts);
            break;
        }
    }

    void cleanupTestCase()
    {
        m_delegate.reset();
        m_quit.reset();
        m_statusBar.reset();
        m_logs.reset();
        for (QProcess *process : {&m_tray, &m_windowManager}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(test::kDesktopDeadlineMs);
            }
        }
    }
};

QTEST_MAIN(QuestionStackingXvfbTest)
#include "QuestionStackingXvfbTest.moc"
