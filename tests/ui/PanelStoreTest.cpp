#include "PanelDoubles.h"
#include "ShellDoubles.h"
#include "platform/null/NullHotKeyGrabber.h"
#include "platform/null/NullWindowHints.h"
#include "support/PreviewRig.h"
#include "support/StoreDoubles.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/panel/ProjectListModel.h"
#include "ui/panel/ProjectListView.h"
#include "ui/panel/StorePanelAdapter.h"
#include "ui/shell/PanelWindow.h"
#include "ui/shell/StatusBarController.h"
#include "ui/shell/StoreShellAdapter.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// The real store with real processes, seen through the panel's and the
// shell's adapters, in the panel the status bar shows.
struct StorePanel {
    test::RealStore rig;
    test::PreviewRig preview;
    std::unique_ptr<StorePanelAdapter> panelStore;
    std::unique_ptr<StoreShellAdapter> shellStore;
    test::ScriptedAlertAsker alerts;
    test::RecordingPanelWindows windows;
    test::MemoryFormCatalogue catalogue;
    test::SettingsRig settings;
    NullHotKeyGrabber hotKey;
    NullWindowHints windowHints;
    std::unique_ptr<StatusBarController> statusBar;

    explicit StorePanel(const QList<DevProject> &projects)
    {
        ProjectStore &store = rig.open(projects);
        panelStore = std::make_unique<StorePanelAdapter>(store, preview.proxies);
        shellStore = std::make_unique<StoreShellAdapter>(store, rig.manager,
                                                         PanelServices{*panelStore, rig.commands,
                                                                       rig.clipboard, rig.opener, rig.files,
                                                                       alerts, windows, catalogue});
        statusBar = std::make_unique<StatusBarController>(
            StatusBarController::Services{*shellStore, settings.defaults, settings.updates, hotKey,
                                          windowHints, settings.windows, settings.urls});
    }

    // Shows the panel and waits for the refresh that showing asks for.
    void show()
    {
        QSignalSpy git(rig.store.get(), &ProjectStore::gitStatusesChanged);
        QSignalSpy env(rig.store.get(), &ProjectStore::envProfilesChanged);
        QSignalSpy folders(rig.store.get(), &ProjectStore::folderFactsChanged);
        statusBar->hidePanel();
        statusBar->showPanel();
        QTRY_VERIFY(!git.isEmpty() && !env.isEmpty() && !folders.isEmpty());
    }

    DevnookPopoverView &view() const { return *statusBar->panel()->findChild<DevnookPopoverView *>(); }
    const ProjectListModel::ProjectRow &row(const QUuid &projectID) const
    {
        const ProjectListModel &model = view().listModel();
        return model.project(model.rowOf(projectID));
    }
    // Clicks the row's start/stop button where the card paints it.
    void clickStartStop(const QUuid &projectID) const
    {
        ProjectListView &list = view().listView();
        const int index = view().listModel().rowOf(projectID);
        for (const CardZone &zone : list.cardLayout(index).zones)
            if (zone.kind == CardZone::Kind::actionButton &&
                row(projectID).actionBar[zone.buttonIndex].action == RowAction::toggleDevProcess) {
                QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, zone.rect.center().toPoint());
                return;
            }
        QFAIL("no start/stop button");
    }
    bool startStopDisabled(const QUuid &projectID) const
    {
        for (const RowActionButton &button : row(projectID).actionBar)
            if (button.action == RowAction::toggleDevProcess)
                return button.disabled;
        return false;
    }
};

} // namespace

// What the panel's rows show follows the folders on the disk and the
// processes the real store runs.
class PanelStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The store's problems reach the panel's band whole; closing the band
    // drops them in the store.
    void errorBandShowsTheStoreUntilClosed()
    {
        StorePanel panel({test::makeProject(u"Shop"_s, QDir::tempPath())});
        panel.show();
        QVERIFY(!panel.rig.store->save(test::makeProject(u"Copy"_s, QDir::tempPath())));
        auto *line = panel.view().findChild<QLabel *>(u"storeErrorLine"_s);
        QVERIFY(line->isVisible());
        QCOMPARE(line->text(), panel.rig.store->lastError().value_or(QString()));
        QTest::mouseClick(panel.view().findChild<QToolButton *>(u"dismissErrorButton"_s), Qt::LeftButton);
        QVERIFY(!panel.rig.store->lastError());
        QVERIFY(!line->isVisible());
    }

    // A folder moved away shows as missing after the refresh button, and
    // back again after the panel is shown again; the start button follows.
    void rowsFollowTheFolderOnDisk()
    {
        QTemporaryDir projects;
        const QString folder = projects.filePath(u"shop"_s);
        QVERIFY(QDir().mkpath(folder));
        DevProject shop = test::makeProject(u"Shop"_s, folder);
        shop.devCommand = u"exec sleep 30"_s;
        StorePanel panel({shop});
        panel.show();
        QVERIFY(!panel.row(shop.id).context.isFolderMissing);
        QVERIFY(!panel.startStopDisabled(shop.id));

        QVERIFY(QDir().rename(folder, folder + u"-moved"_s));
        QTest::mouseClick(panel.view().findChild<QToolButton *>(u"refreshButton"_s), Qt::LeftButton);
        QTRY_VERIFY(panel.row(shop.id).context.isFolderMissing);
        QVERIFY(panel.row(shop.id).display.showsFolderMissingFooter);
        QVERIFY(panel.startStopDisabled(shop.id));

        QVERIFY(QDir().rename(folder + u"-moved"_s, folder));
        // A refresh queued before the move back may publish first.
        panel.show();
        QTRY_VERIFY(!panel.row(shop.id).context.isFolderMissing);
        QVERIFY(!panel.startStopDisabled(shop.id));
    }

    // A start through the row shows starting until the store has handled
    // the running processes, then running.
    void rowTurnsFromStartingToRunning()
    {
        QTemporaryDir folder;
        DevProject shop = test::makeProject(u"Shop"_s, folder.path());
        shop.devCommand = u"echo ready; exec sleep 30"_s;
        StorePanel panel({shop});
        panel.show();
        panel.clickStartStop(shop.id);
        QCOMPARE(panel.row(shop.id).context.processState, DevProcessState::starting);
        QTRY_COMPARE_WITH_TIMEOUT(panel.rig.store->processStates().value(shop.id), DevProcessState::running,
                                  10000);
        QTRY_COMPARE(panel.row(shop.id).context.processState, DevProcessState::running);
        panel.clickStartStop(shop.id);
        QVERIFY(QTest::qWaitFor(
            [&] { return panel.row(shop.id).context.processState == DevProcessState::stopped; }, 10000));
    }
};

QTEST_MAIN(PanelStoreTest)
#include "PanelStoreTest.moc"
