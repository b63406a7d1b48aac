#include "support/StoreDoubles.h"
#include "ui/logs/ProjectLogListView.h"
#include "ui/logs/ProjectLogsView.h"
#include "ui/logs/ProjectLogsWindowController.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

ProjectService service(const QString &name, const QString &command = u"true"_s)
{
    return ProjectService{QUuid::createUuid(), name, command, {}};
}

} // namespace

// The logs windows over a store with scripted processes; the log lines go
// through the process manager's real log.
class ProjectLogsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ScriptedStore> m_rig;
    std::unique_ptr<ProjectLogsWindowController> m_windows;
    DevProject m_project;

    void open(const QList<DevProject> &extra = {})
    {
        m_rig->open(QList<DevProject>{m_project} + extra);
        m_windows = std::make_unique<ProjectLogsWindowController>(*m_rig->store, m_rig->clipboard);
    }
    QWidget *show(const DevProject &project)
    {
        m_windows->show(project);
        QWidget *window = m_windows->window(project.id);
        return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
    }
    template <typename T> T *find(const QString &name)
    {
        return m_windows->window(m_project.id)->findChild<T *>(name);
    }
    void append(const QString &text, int serviceIndex, bool isError = false)
    {
        if (serviceIndex < 0)
            m_rig->manager.appendLog(text, m_project.id, isError);
        else
            m_rig->manager.appendLog(u'[' + m_project.services[serviceIndex].name + u"] "_s + text,
                                     m_project.id, isError, m_project.services[serviceIndex].id,
                                     m_project.services[serviceIndex].name);
    }
    QStringList shownTexts()
    {
        QStringList texts;
        for (const DevProcessLogLine &line : find<ProjectLogsView>(u"logsView"_s)->model().displayedLines())
            texts.append(line.text);
        return texts;
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::ScriptedStore>();
        m_project = test::makeProject(u"Shop"_s);
        m_project.services = {service(u"web"_s), service(u"api"_s)};
    }
    void cleanup()
    {
        m_windows.reset();
        m_rig.reset();
    }

    void oneCentredWindowPerProjectForgottenOnClose()
    {
        const DevProject other = test::makeProject(u"Blog"_s);
        open({other});
        QWidget *first = show(m_project);
        QVERIFY(first);
        QCOMPARE(first->windowTitle(), u"Logs - Shop"_s);
        QCOMPARE(first->size(), ProjectLogsWindowController::kContentSize);
        QCOMPARE(first->frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());

        first->setGeometry(QRect(10, 20, 600, 500));
        const QRect moved = first->geometry();
        QCOMPARE(show(m_project), first);
        QCOMPARE(first->geometry(), moved);

        QWidget *second = show(other);
        QVERIFY(second && second != first);
        QCOMPARE(second->frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());

        first->close();
        QTRY_VERIFY(!m_windows->window(m_project.id));
        QCOMPARE(m_windows->window(other.id), second);
        QWidget *again = show(m_project);
        QVERIFY(again);
        QCOMPARE(again->size(), ProjectLogsWindowController::kContentSize);
    }

    void showsTheStoresLogAndStateAndActsThroughIt()
    {
        open();
        QVERIFY(show(m_project));
        auto *list = find<ProjectLogListView>(u"logList"_s);
        auto *toggle = find<QPushButton>(u"toggleButton"_s);
        auto *copy = find<QPushButton>(u"copyButton"_s);
        QCOMPARE(list->emptyText(), u"No output yet."_s);
        QCOMPARE(toggle->text(), u"Start"_s);
        QVERIFY(!copy->isEnabled());

        append(u"Starting"_s, -1);
        append(u"ready"_s, 0);
        append(u"Error: EADDRINUSE"_s, 1, true);
        append(u"GET / 200"_s, 0);
        QCOMPARE(shownTexts(), QStringList({u"Starting"_s, u"[web] ready"_s, u"[api] Error: EADDRINUSE"_s,
                                            u"[web] GET / 200"_s}));

        // The web tab and the errors filter: web has no errors.
        const QList<QAbstractButton *> tabs =
            find<QWidget>(u"serviceTabs"_s)->findChildren<QAbstractButton *>();
        QCOMPARE(tabs.size(), 3);
        tabs[1]->click();
        find<QAbstractButton>(u"filterErrors"_s)->click();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(list->emptyText(), u"No lines match the filters."_s);
        QVERIFY(!copy->isEnabled());
        tabs[0]->click();
        copy->click();
        QVERIFY(m_rig->clipboard.texts.constLast().endsWith(u"] [api] Error: EADDRINUSE"_s));
        QCOMPARE(m_rig->clipboard.texts.constLast().count(u'\n'), 0);

        // A search of spaces can be cleared too.
        auto *search = find<QLineEdit>(u"searchField"_s);
        auto *clearSearch = find<QAbstractButton>(u"clearSearchButton"_s);
        find<QAbstractButton>(u"filterAll"_s)->click();
        search->setText(u"  "_s);
        QVERIFY(clearSearch->isVisible());
        search->setText(u"WEB"_s);
        QCOMPARE(shownTexts().size(), 2);
        clearSearch->click();
        QVERIFY(search->text().isEmpty() && !clearSearch->isVisible());

        // Selected lines copy in the same form, in log order.
        list->selectionModel()->select(list->model()->index(3, 0), QItemSelectionModel::Select);
        list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::Select);
        QTest::keySequence(list, QKeySequence::Copy);
        const QStringList copied = m_rig->clipboard.texts.constLast().split(u'\n');
        QCOMPARE(copied.size(), 2);
        QVERIFY(copied[0].endsWith(u"] [web] ready"_s) && copied[1].endsWith(u"] [web] GET / 200"_s));

        // Clear empties the log at once; lines written later show.
        find<QAbstractButton>(u"clearButton"_s)->click();
        QCOMPARE(shownTexts(), QStringList());
        QVERIFY(m_rig->manager.logs(m_project.id).isEmpty());
        append(u"after"_s, 0);
        QCOMPARE(shownTexts(), QStringList{u"[web] after"_s});

        // The manager's state, not the display state, titles the button.
        toggle->click();
        QCOMPARE(m_rig->manager.started, QList<QUuid>{m_project.id});
        QCOMPARE(toggle->text(), u"Stop"_s);
        toggle->click();
        QCOMPARE(toggle->text(), u"Start"_s);
        m_rig->report(m_project.id, DevProcessState::failed);
        QCOMPARE(toggle->text(), u"Start"_s);
        find<QAbstractButton>(u"restartButton"_s)->click();
        QTRY_COMPARE(m_rig->manager.started.size(), 2);
    }

    void actionsAndTabsFollowTheRunnableServices_data()
    {
        QTest::addColumn<QList<ProjectService>>("services");
        QTest::addColumn<QString>("devCommand");
        QTest::addColumn<bool>("runnable");
        QTest::addColumn<bool>("tabs");
        QTest::newRow("two services")
            << QList<ProjectService>{service(u"web"_s), service(u"api"_s)} << QString() << true << true;
        QTest::newRow("one service") << QList<ProjectService>{service(u"web"_s)} << QString() << true
                                     << false;
        QTest::newRow("dev command") << QList<ProjectService>{} << u"npm run dev"_s << true << false;
        QTest::newRow("blank commands")
            << QList<ProjectService>{service(u"web"_s, u" \n"_s)} << u" "_s << false << false;
    }
    void actionsAndTabsFollowTheRunnableServices()
    {
        QFETCH(QList<ProjectService>, services);
        QFETCH(QString, devCommand);
        QFETCH(bool, runnable);
        QFETCH(bool, tabs);
        m_project.services = services;
        m_project.devCommand = devCommand;
        open();
        QVERIFY(show(m_project));
        QCOMPARE(find<QWidget>(u"toggleButton"_s)->isEnabled(), runnable);
        QCOMPARE(find<QWidget>(u"restartButton"_s)->isEnabled(), runnable);
        QVERIFY(find<QWidget>(u"clearButton"_s)->isEnabled());
        QCOMPARE(find<QWidget>(u"serviceTabs"_s) != nullptr, tabs);
    }

    // Following keeps the newest line in view; scrolling up suspends it and
    // the lines on screen stay put, also when old lines drop off the top.
    void followsTheTailUntilTheUserScrollsUp()
    {
        open();
        for (int i = 0; i < 300; ++i)
            append(u"early %1"_s.arg(i), 0);
        QWidget *window = show(m_project);
        QVERIFY(window);
        auto *list = find<ProjectLogListView>(u"logList"_s);
        QScrollBar *bar = list->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0 && list->isAtTail());
        window->resize(500, 340);
        QTRY_VERIFY(list->isAtTail());

        append(u"one more"_s, 1);
        QTRY_VERIFY(list->isAtTail());

        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QVERIFY(!list->followsTail());
        const QUuid topLine = list->indexAt(QPoint(2, 2)).data(ProjectLogListModel::LineIDRole).toUuid();
        for (int i = 0; i < 250; ++i)
            append(u"flood %1"_s.arg(i), 0);
        QTest::qWait(20);
        QVERIFY(!list->isAtTail());
        QCOMPARE(list->indexAt(QPoint(2, 2)).data(ProjectLogListModel::LineIDRole).toUuid(), topLine);

        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QVERIFY(list->followsTail());
        QTest::keyClick(list, Qt::Key_Home);
        QVERIFY(!list->followsTail());
        QTest::keyClick(list, Qt::Key_End);
        QVERIFY(list->followsTail());
        append(u"last"_s, 0);
        QTRY_VERIFY(list->isAtTail());

        // The switch turns following off and on; on scrolls at once.
        find<QAbstractButton>(u"followButton"_s)->click();
        QVERIFY(!list->followsTail());
        bar->setValue(0);
        find<QAbstractButton>(u"followButton"_s)->click();
        QVERIFY(list->followsTail() && list->isAtTail());
    }
};

QTEST_MAIN(ProjectLogsWindowTest)
#include "ProjectLogsWindowTest.moc"
