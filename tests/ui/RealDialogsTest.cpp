#include "DialogDriving.h"
#include "PanelDoubles.h"
#include "ShellDoubles.h"
#include "UsageWindowRig.h"
#include "core/panel/DevnookNavigation.h"
#include "core/usage/UsageFilterPreferences.h"
#include "support/PreviewRig.h"
#include "support/TestEnvironment.h"
#include "ui/kit/AlertAsker.h"
#include "ui/kit/AppIcon.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/panel/StorePanelAdapter.h"
#include "ui/shell/AlertPortConflictAsker.h"
#include "ui/shell/QuitCoordinator.h"
#include "ui/usage/ProjectUsageView.h"
#include "ui/usage/ProjectUsageWindowController.h"
#include "ui/usage/UsageOverviewView.h"
#include "ui/usage/UsageOverviewWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(UsageExportFormat)

namespace {

bool showsWarning(const QMessageBox &box)
{
    return box.iconPixmap().toImage() == AppIcon::warningAlertPixmap().toImage();
}

// The file the real export writes for these sessions, those of the project
// (or of all, without one) that started since the moment.
QByteArray expectedExport(QList<ProjectUsageSession> sessions, const QUuid &projectID, Timestamp since,
                          UsageExportFormat format)
{
    sessions.removeIf([&](const ProjectUsageSession &session) {
        return (!projectID.isNull() && session.projectID != projectID) || session.startedAt < since;
    });
    return UsageTrackingService::exportSessions(sessions, format).value();
}

} // namespace

// Every question and file dialog of the app answered through the real Qt
// dialog, as a user would, and what the answer did.
class RealDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::UsageWindowRig> m_usage;
    WindowModalUsageAlertAsker m_usageAlerts;
    DialogUsageExportFileChooser m_usageFiles;
    MessageBoxAlertAsker m_alerts;
    DevProject m_shop;
    DevProject m_blog;

    UsageWindowServices usageServices()
    {
        return {*m_usage->store.store, m_usage->store.usage, m_usage->store.defaults,
                m_usage->store.clock,  m_usageAlerts,        m_usageFiles};
    }
    QByteArray usageFile() const
    {
        return test::readFile(m_usage->store.dir.filePath(u"data/Devnook/usage_sessions.json"_s));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The widget dialogs everywhere, whatever the desktop offers.
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QVERIFY(QDir().mkpath(QDir::homePath()));
    }
    void init()
    {
        m_usage = std::make_unique<test::UsageWindowRig>();
        m_shop = test::makeProject(u"Shop"_s, m_usage->store.dir.path());
        m_blog = test::makeProject(u"Blog"_s, QDir::homePath());
        m_usage->record(m_shop, 1, 20);
        m_usage->record(m_shop, 0, 30);
        m_usage->record(m_blog, 0, 40);
        m_usage->store.open({m_shop, m_blog});
    }
    void cleanup() { m_usage.reset(); }

    // Export from either window: the save dialog opens in home, then where
    // the last export went, and the file holds the sessions of the period
    // the window shows, today, without yesterday's.
    void exportsThroughTheSaveDialog_data()
    {
        QTest::addColumn<bool>("overview");
        QTest::addColumn<UsageExportFormat>("format");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("project, CSV") << false << UsageExportFormat::csv << u"Shop-usage.csv"_s;
        QTest::newRow("overview, JSON") << true << UsageExportFormat::json << u"devnook-usage.json"_s;
    }
    void exportsThroughTheSaveDialog()
    {
        QFETCH(bool, overview);
        QFETCH(UsageExportFormat, format);
        QFETCH(QString, fileName);
        m_usage->store.defaults.setValue(UsageFilterPreferences::kOverviewFilterKey, u"today"_s);
        m_usage->store.defaults.setValue(UsageFilterPreferences::projectFilterKey(m_shop.id), u"today"_s);
        const Timestamp today =
            Timestamp::fromDateTime(QDateTime(test::UsageWindowRig::kToday, QTime(0, 0), Qt::UTC));
        ProjectUsageWindowController projectWindows(usageServices());
        UsageOverviewWindowController overviewWindow(usageServices(), projectWindows);
        QWidget *window = nullptr;
        if (overview) {
            overviewWindow.show();
            window = overviewWindow.window();
        } else {
            projectWindows.show(m_shop);
            window = projectWindows.window(m_shop.id);
        }
        auto *exportButton = window->findChild<QToolButton *>(u"export_usage"_s);
        const auto exportAs = [&] {
            exportButton->menu()->actions().at(format == UsageExportFormat::csv ? 0 : 1)->trigger();
        };
        const QString folder = m_usage->store.dir.filePath(u"exports"_s);
        QVERIFY(QDir().mkpath(folder));

        for (const QString &startFolder : {QDir::homePath(), folder}) {
            exportAs();
            QFileDialog *dialog = test::shownDialog<QFileDialog>();
            QVERIFY(dialog);
            QCOMPARE(dialog->parentWidget(), window);
            QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(startFolder).canonicalPath());
            QCOMPARE(dialog->selectedFiles().value(0).section(u'/', -1), fileName);
            test::choosePath(*dialog, QDir(folder).filePath(fileName));
            QTRY_COMPARE(test::readFile(QDir(folder).filePath(fileName)),
                         expectedExport(m_usage->store.usage.completedSessions(),
                                        overview ? QUuid() : m_shop.id, today, format));
            QFile::remove(QDir(folder).filePath(fileName));
        }

        // A folder that is not there: the failure alert over the window, and
        // the export ends once it is answered.
        exportAs();
        QFileDialog *dialog = test::shownDialog<QFileDialog>();
        QVERIFY(dialog);
        test::choosePath(*dialog, QDir(folder).filePath(u"gone/"_s + fileName));
        QMessageBox *failure = test::shownDialog<QMessageBox>();
        QVERIFY(failure);
        QCOMPARE(failure->parentWidget(), window);
        QCOMPARE(failure->text(), L10n::text(u"usage_export_failed_title"_s));
        test::clickButton(*failure, u"ok"_s);
        QTRY_VERIFY(window->findChildren<QDialog *>().isEmpty());
    }

    // The clear question over the project's window, marked as a warning;
    // only its first button removes the sessions, from the file too.
    void clearsThroughTheQuestion_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("clear") << u"usage_clear_confirm"_s << true;
        QTest::newRow("cancel") << u"cancel"_s << false;
    }
    void clearsThroughTheQuestion()
    {
        QFETCH(QString, button);
        QFETCH(bool, cleared);
        ProjectUsageWindowController projectWindows(usageServices());
        projectWindows.show(m_shop);
        QWidget *window = projectWindows.window(m_shop.id);
        QTRY_VERIFY(usageFile().contains(m_shop.id.toString(QUuid::WithoutBraces).toUpper().toUtf8()));

        window->findChild<QPushButton *>(u"clear_usage_data"_s)->click();
        QMessageBox *question = test::shownDialog<QMessageBox>();
        QVERIFY(question);
        QCOMPARE(question->parentWidget(), window);
        QCOMPARE(question->windowModality(), Qt::WindowModal);
        QVERIFY(showsWarning(*question));
        // The details read in a few lines, not a few words a line.
        auto *details = question->findChild<QLabel *>(u"qt_msgbox_informativelabel"_s);
        QVERIFY(details);
        QTRY_VERIFY(details->height() > 0);
        QVERIFY2(details->height() <= 3 * details->fontMetrics().lineSpacing(),
                 qPrintable(u"%1 by %2"_s.arg(details->width()).arg(details->height())));
        test::clickButton(*question, button);
        QTRY_COMPARE(usageFile().contains(m_shop.id.toString(QUuid::WithoutBraces).toUpper().toUtf8()),
                     !cleared);
        QVERIFY(usageFile().contains(m_blog.id.toString(QUuid::WithoutBraces).toUpper().toUtf8()));
        QCOMPARE(window->findChild<QLabel *>(u"noData"_s)->isVisibleTo(window), cleared);
    }

    // A question whose window goes away unanswered ends its flow with the
    // harmless answer.
    void questionOfAWindowThatWentAway()
    {
        auto projectWindows = std::make_unique<ProjectUsageWindowController>(usageServices());
        projectWindows->show(m_shop);
        auto *view = qobject_cast<ProjectUsageView *>(
            projectWindows->window(m_shop.id)->layout()->itemAt(0)->widget());
        bool ended = false;
        view->confirmClear().then([&ended] { ended = true; });
        QVERIFY(test::shownDialog<QMessageBox>());
        projectWindows.reset();
        QTRY_VERIFY(ended);
        QCOMPARE(m_usage->store.usage.completedSessions().size(), 3);
    }

    // The delete confirmation over the panel, marked as a warning; only its
    // first button deletes, from the catalogue file too.
    void deletesThroughTheQuestion_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("delete") << u"delete_project"_s << QStringList{u"Blog"_s};
        QTest::newRow("cancel") << u"cancel"_s << QStringList{u"Blog"_s, u"Shop"_s};
    }
    void deletesThroughTheQuestion()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, left);
        test::PanelRig rig;
        test::PreviewRig preview;
        StorePanelAdapter store(*m_usage->store.store, preview.proxies);
        DevnookNavigation navigation;
        QWidget panel;
        auto *view = new DevnookPopoverView(
            {store, rig.commands, rig.clipboard, rig.urls, rig.files, m_alerts, rig.windows, rig.catalogue},
            navigation, &panel);
        panel.show();
        test::answerWhenShown<QMessageBox>(this, [&](QMessageBox &question) {
            const bool overThePanel = question.parentWidget() == &panel;
            test::clickButton(question, button);
            QVERIFY(overThePanel);
            QVERIFY(showsWarning(question));
            QVERIFY(question.informativeText().contains(u"Shop"_s));
        });
        view->perform(m_shop, RowAction::deleteProject);
        QStringList names;
        for (const DevProject &project : m_usage->store.stored())
            names.append(project.name);
        names.sort();
        QCOMPARE(names, left);
    }

    // The quit question over the window that asked: each answer's way out.
    // With that window hidden (a quit from the tray) and none active, the
    // question stands above every window instead.
    void quitsThroughTheQuestion_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("askingShown");
        QTest::addColumn<bool>("terminates");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("stop and quit")
            << u"stop_and_quit"_s << true << true << QStringList{u"finishUsage"_s, u"stopAll"_s};
        QTest::newRow("quit anyway") << u"quit_anyway"_s << true << true << QStringList{u"finishUsage"_s};
        QTest::newRow("cancel") << u"cancel"_s << true << false << QStringList{};
        QTest::newRow("cancel, from the tray") << u"cancel"_s << false << false << QStringList{};
    }
    void quitsThroughTheQuestion()
    {
        QFETCH(QString, button);
        QFETCH(bool, askingShown);
        QFETCH(bool, terminates);
        QFETCH(QStringList, calls);
        test::FakeShellStore store;
        store.setProjects({{u"Shop"_s, true}});
        QuitCoordinator quit(store, m_alerts);
        QWidget asking;
        asking.setVisible(askingShown);
        test::answerWhenShown<QMessageBox>(this, [&](QMessageBox &question) {
            QWidget *over = question.parentWidget();
            const bool onTop = question.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            test::clickButton(question, button);
            QCOMPARE(over, askingShown ? &asking : nullptr);
            QCOMPARE(onTop, !askingShown);
            QVERIFY(!showsWarning(question));
        });
        QCOMPARE(quit.shouldTerminate(&asking), terminates);
        QCOMPARE(store.calls, calls);
    }

    // The port question of a start, answered in the real alert: freeing the
    // port ends its listener and the start goes on; closing starts nothing.
    void resolvesPortConflictsThroughTheQuestion_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("started");
        QTest::newRow("free the port") << u"port_conflict_free_port"_s << true;
        QTest::newRow("close") << u"port_conflict_close"_s << false;
    }
    void resolvesPortConflictsThroughTheQuestion()
    {
        QFETCH(QString, button);
        QFETCH(bool, started);
        AlertPortConflictAsker asker(m_alerts);
        m_usage->store.asker.passOnTo = &asker;
        m_usage->store.ports.listeners = {{5173, PortListener{4242, u"node"_s}}};
        DevProject web = test::makeProject(u"Web"_s, m_usage->store.dir.path());
        web.localhostURL = u"http://localhost:5173"_s;
        web.services = {ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, web.localhostURL}};
        ProjectStore &store = m_usage->store.open({web});
        test::answerWhenShown<QMessageBox>(this, [&](QMessageBox &question) {
            test::clickButton(question, button);
            QVERIFY(question.informativeText().contains(u"5173"_s));
        });
        store.toggleDevProcess(web);
        QCOMPARE(m_usage->store.ports.listeners.isEmpty(), started);
        QCOMPARE(m_usage->store.manager.started.contains(web.id), started);
    }
};

QTEST_MAIN(RealDialogsTest)
#include "RealDialogsTest.moc"
