#include "support/PlainTextLabels.h"
#include "support/StoreDoubles.h"
#include "ui/kit/Palette.h"
#include "ui/logs/ProjectLogListView.h"
#include "ui/logs/ProjectLogsView.h"
#include "ui/logs/ProjectLogsWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWheelEvent>
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

    // True once the list's text holds the shown lines, one per line of text.
    bool listShowsTheLines()
    {
        QStringList texts;
        const QTextDocument *text = find<ProjectLogListView>(u"logList"_s)->document();
        for (QTextBlock block = text->begin(); block.isValid(); block = block.next())
            texts.append(block.text());
        const QStringList shown = shownTexts();
        return texts == (shown.isEmpty() ? QStringList{QString()} : shown);
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
        QTRY_VERIFY(listShowsTheLines());

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
        QTRY_VERIFY(listShowsTheLines());
        clearSearch->click();
        QVERIFY(search->text().isEmpty() && !clearSearch->isVisible());

        // Clear empties the log at once; lines written later show.
        find<QAbstractButton>(u"clearButton"_s)->click();
        QCOMPARE(shownTexts(), QStringList());
        QVERIFY(m_rig->manager.logs(m_project.id).isEmpty());
        append(u"after"_s, 0);
        QCOMPARE(shownTexts(), QStringList{u"[web] after"_s});
        QTRY_VERIFY(listShowsTheLines());

        // The manager's state, not the display state, titles the button; a
        // start under way says Stop.
        toggle->click();
        QCOMPARE(m_rig->manager.started, QList<QUuid>{m_project.id});
        QCOMPARE(toggle->text(), u"Stop"_s);
        toggle->click();
        QCOMPARE(toggle->text(), u"Start"_s);
        m_rig->report(m_project.id, DevProcessState::starting);
        QCOMPARE(toggle->text(), u"Stop"_s);
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
        QCOMPARE(!find<QWidget>(u"serviceTabs"_s)->isHidden(), tabs);
    }

    // The window acts on the project as stored now: edited commands run and
    // edited services give the tabs; the header shows the new name, the title
    // keeps the one it opened with;
    // a deleted project's window closes.
    void actsOnTheStoredProject_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("start") << u"toggleButton"_s;
        QTest::newRow("restart") << u"restartButton"_s;
    }
    void actsOnTheStoredProject()
    {
        QFETCH(QString, button);
        test::RealStore rig;
        ProjectStore &store = rig.open();
        DevProject shop = test::makeProject(u"Shop"_s, rig.dir.filePath(u"shop"_s));
        QDir().mkpath(shop.folderPath);
        shop.services = {service(u"web"_s, u"echo first"_s), service(u"api"_s, u"echo api"_s)};
        QVERIFY(store.save(shop));
        ProjectLogsWindowController windows(store, rig.clipboard);
        windows.show(shop);
        QWidget *window = windows.window(shop.id);
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        const auto *tabs = window->findChild<QWidget *>(u"serviceTabs"_s);
        const auto *view = window->findChild<ProjectLogsView *>(u"logsView"_s);
        const auto tabTitles = [tabs] {
            QStringList titles;
            for (const QAbstractButton *tab : tabs->findChildren<QAbstractButton *>())
                titles.append(tab->text() + (tab->isChecked() ? u"*"_s : QString()));
            return titles;
        };
        QVERIFY(!tabs->isHidden());
        tabs->findChildren<QAbstractButton *>().at(1)->click();
        QCOMPARE(view->model().filter().serviceID, shop.services[0].id);

        // The chosen service stays chosen while it is there.
        DevProject edited = shop;
        edited.services[1].name = u"worker"_s;
        QVERIFY(store.save(edited));
        QCOMPARE(tabTitles(), QStringList({u"All"_s, u"web*"_s, u"worker"_s}));

        // A name is the user's text: shown as typed, never as markup.
        edited.name = u"<i>Shop Two</i>"_s;
        edited.services = {service(u"web"_s, u"echo second"_s)};
        QVERIFY(store.save(edited));
        QVERIFY(tabs->isHidden());
        QCOMPARE(view->model().filter().serviceID, std::nullopt);
        QCOMPARE(window->findChild<QLabel *>(u"projectName"_s)->text(), edited.name);
        const QString problem = test::plainTextProblem(window, edited.name);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(window->windowTitle(), u"Logs - Shop"_s);

        window->findChild<QPushButton *>(button)->click();
        QTRY_VERIFY(rig.logTexts(shop.id).contains(u"[web] second"_s));
        QVERIFY(!rig.logTexts(shop.id).contains(u"[web] first"_s));
        QTRY_COMPARE(store.processStates().value(shop.id), DevProcessState::stopped);

        store.deleteProject(edited);
        QTRY_VERIFY(!windows.window(shop.id));
    }

    // Whatever the characters, every line wraps within the list and no part
    // of it lies beyond the right edge.
    void longAndWideLinesWrapInsideTheList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("long address")
            << u"[web] Local: http://localhost:5173/"_s + u"a"_s.repeated(300) + u"?q=1"_s;
        QTest::newRow("words") << u"warning "_s.repeated(60).trimmed();
        QTest::newRow("wide characters") << u"[web] 服务器已启动，正在监听端口"_s.repeated(12) + u"終"_s;
        QTest::newRow("emoji and tabs") << u"[web] \t✅ built in 120ms 🚀"_s.repeated(15);
    }
    void longAndWideLinesWrapInsideTheList()
    {
        QFETCH(QString, text);
        open();
        QWidget *window = show(m_project);
        QVERIFY(window);
        append(u"short"_s, 0);
        append(text, -1, true);
        auto *list = find<ProjectLogListView>(u"logList"_s);
        QTRY_COMPARE(list->document()->blockCount(), 2);
        for (const int width : {560, 460, 900}) {
            window->resize(width, 440);
            QCoreApplication::processEvents();
            list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
            const QTextBlock block = list->document()->lastBlock();
            QCOMPARE(block.text(), text);
            QTextCursor end(block);
            end.movePosition(QTextCursor::EndOfBlock);
            QVERIFY(block.layout()->lineCount() > 1);
            QVERIFY2(
                list->cursorRect(end).right() <= list->viewport()->width(),
                qPrintable(u"%1 > %2"_s.arg(list->cursorRect(end).right()).arg(list->viewport()->width())));
            QVERIFY(list->cursorRect(end).bottom() <= list->viewport()->height());
        }
    }

    // A drag over part of a wrapped line selects just that part for copying.
    void draggingOverPartOfALineCopiesThatPart()
    {
        const QString url = u"http://localhost:5173/"_s + u"path/"_s.repeated(30);
        open();
        append(u"VITE ready in 300 ms, Local: "_s + url + u" (press h for help)"_s, 0);
        QVERIFY(show(m_project));
        auto *list = find<ProjectLogListView>(u"logList"_s);
        QTRY_COMPARE(list->document()->blockCount(), 1);
        const QTextBlock line = list->document()->firstBlock();
        const int start = static_cast<int>(line.text().indexOf(url));
        QTextCursor at(line);
        at.setPosition(line.position() + start);
        const QPoint from = list->cursorRect(at).center() + QPoint(1, 0);
        at.setPosition(line.position() + start + static_cast<int>(url.size()));
        const QPoint to = list->cursorRect(at).center() - QPoint(1, 0);
        QVERIFY(to.y() > from.y()); // the address itself wraps

        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(list->viewport(), (from + to) / 2);
        QTest::mouseMove(list->viewport(), to);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to);
        QCOMPARE(list->selectedLogText(), url);
        QTest::keySequence(list, QKeySequence::Copy);
        QCOMPARE(m_rig->clipboard.texts.constLast(), url);
    }

    // Error lines are drawn in the red of the theme of the moment.
    void errorLinesTakeTheThemesRed()
    {
        QApplication::setPalette(Palette::qtPalette(ColorScheme::light));
        open();
        append(u"Error: EADDRINUSE"_s, 0, true);
        append(u"ready"_s, 0);
        QVERIFY(show(m_project));
        auto *list = find<ProjectLogListView>(u"logList"_s);
        QTRY_COMPARE(list->document()->blockCount(), 2);
        const auto colourOf = [list](int line) {
            const QTextBlock block = list->document()->findBlockByNumber(line);
            return block.begin().fragment().charFormat().foreground().color();
        };
        const auto faded = [](QColor red) {
            red.setAlphaF(red.alphaF() * 0.85f);
            return red;
        };
        QCOMPARE(colourOf(0), faded(Palette::forScheme(ColorScheme::light).red));
        QApplication::setPalette(Palette::qtPalette(ColorScheme::dark));
        QTRY_COMPARE(colourOf(0), faded(Palette::forScheme(ColorScheme::dark).red));
        QCOMPARE(list->document()->findBlockByNumber(1).begin().fragment().charFormat().hasProperty(
                     QTextFormat::ForegroundBrush),
                 false);
        QApplication::setPalette(Palette::qtPalette(ColorScheme::light));
    }

    // Following is the switch's alone. A window opened on a log shows its
    // top; the first line that arrives moves the list to the tail, and so
    // does every later one, also after scrolling up by hand.
    void followsTheTailAsTheSwitchSays()
    {
        open();
        for (int i = 0; i < 300; ++i)
            append(u"early %1"_s.arg(i), 0);
        QWidget *window = show(m_project);
        QVERIFY(window);
        auto *list = find<ProjectLogListView>(u"logList"_s);
        QSignalSpy followChanges(list, &ProjectLogListView::followsTailChanged);
        QScrollBar *bar = list->verticalScrollBar();
        QTRY_COMPARE(list->document()->blockCount(), 300);
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
        window->resize(500, 340);
        QTest::qWait(20);
        QCOMPARE(bar->value(), 0);
        QVERIFY(list->followsTail());

        append(u"one more"_s, 1);
        QTRY_VERIFY(list->isAtTail());
        // Still at the tail once the lines have wrapped anew.
        window->resize(460, 320);
        QTRY_VERIFY(list->isAtTail());

        // Bar, keys and wheel move the list and leave following on.
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QVERIFY(!list->isAtTail());
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_PageUp);
        QWheelEvent wheel(QPointF(5, 5), list->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &wheel);
        QVERIFY(!list->isAtTail());
        QVERIFY(list->followsTail());
        QVERIFY(followChanges.isEmpty());
        append(u"after scrolling"_s, 0);
        QTRY_VERIFY(list->isAtTail());

        // A filter that keeps the last line keeps the place in the list; one
        // that shows another last line goes to it.
        bar->setValue(bar->maximum() / 2);
        const int middle = bar->value();
        find<QAbstractButton>(u"filterOutput"_s)->click();
        QTest::qWait(20);
        QCOMPARE(bar->value(), middle);
        bar->setValue(0);
        find<QLineEdit>(u"searchField"_s)->setText(u"early"_s);
        QTRY_COMPARE(list->document()->blockCount(), 300);
        QTRY_VERIFY(list->isAtTail());
        find<QLineEdit>(u"searchField"_s)->clear();
        QTRY_VERIFY(listShowsTheLines());

        // Off: arriving lines, and old ones dropping off the top, leave the
        // lines on screen where they are.
        find<QAbstractButton>(u"followButton"_s)->click();
        QVERIFY(!list->followsTail());
        bar->setValue(bar->maximum() / 2);
        const QUuid topLine = list->lineIDAt(QPoint(2, 2));
        for (int i = 0; i < 250; ++i)
            append(u"flood %1"_s.arg(i), 0);
        QTest::qWait(20);
        QVERIFY(listShowsTheLines());
        QVERIFY(!list->isAtTail());
        QCOMPARE(list->lineIDAt(QPoint(2, 2)), topLine);

        // On again: at the tail at once.
        bar->setValue(0);
        find<QAbstractButton>(u"followButton"_s)->click();
        QVERIFY(list->followsTail() && list->isAtTail());
    }
};

QTEST_MAIN(ProjectLogsWindowTest)
#include "ProjectLogsWindowTest.moc"
