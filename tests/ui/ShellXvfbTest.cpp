#include "ShownFrames.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRect>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <optional>
#include <signal.h>

using namespace Qt::StringLiterals;
using devnook::test::kDesktopDeadlineMs;
using devnook::test::ShownFrames;

// Runs the real application on the X server that xvfb-run started, under a
// window manager and a panel with a tray, and drives it from outside with
// xdotool, as a user's desktop would.
class ShellXvfbTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QProcess m_windowManager;
    QProcess m_tray;
    std::unique_ptr<QProcess> m_app;
    quint32 m_panel = 0;

    std::unique_ptr<QProcess> launch() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"HOME"_s, m_home.path());
        for (const QString &kind : {u"config"_s, u"data"_s, u"cache"_s, u"runtime"_s})
            env.insert(u"XDG_%1_%2"_s.arg(kind.toUpper(), kind == u"runtime" ? u"DIR"_s : u"HOME"_s),
                       m_home.filePath(kind));
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QStringLiteral(DEVNOOK_APP_PATH), {});
        return process;
    }

    // The tool's output, or nothing when it failed.
    static std::optional<QByteArray> xdotool(const QStringList &arguments)
    {
        QProcess tool;
        tool.start(u"xdotool"_s, arguments);
        if (!tool.waitForFinished(kDesktopDeadlineMs) || tool.exitStatus() != QProcess::NormalExit ||
            tool.exitCode() != 0)
            return std::nullopt;
        return tool.readAllStandardOutput().trimmed();
    }

    static QByteArray panelWindow()
    {
        return xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Devnook$"_s}).value_or(QByteArray());
    }
    static bool panelIsVisible() { return !panelWindow().isEmpty(); }
    static bool panelHasFocus() { return xdotool({u"getwindowfocus"_s, u"getwindowname"_s}) == "Devnook"; }

    // A window's frame on the screen; empty when it is gone.
    static QRect frameOf(const QByteArray &window)
    {
        const auto shell = xdotool({u"getwindowgeometry"_s, u"--shell"_s, QString::fromLatin1(window)});
        QHash<QByteArray, int> values;
        for (const QByteArray &line : shell.value_or(QByteArray()).split('\n')) {
            const QList<QByteArray> pair = line.split('=');
            if (pair.size() == 2)
                values.insert(pair[0], pair[1].toInt());
        }
        return {values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT")};
    }

    static std::optional<QByteArray> xwininfo(const QStringList &arguments)
    {
        QProcess tool;
        tool.start(u"xwininfo"_s, arguments);
        if (!tool.waitForFinished(kDesktopDeadlineMs) || tool.exitStatus() != QProcess::NormalExit ||
            tool.exitCode() != 0)
            return std::nullopt;
        return tool.readAllStandardOutput();
    }
    static int field(const QByteArray &info, const QByteArray &name)
    {
        const qsizetype at = info.indexOf(QByteArray("\n  " + name + ':'));
        return at < 0 ? -1 : info.mid(at + name.size() + 4).split('\n').constFirst().trimmed().toInt();
    }

    // The panel as the user sees it: the window manager's frame around it,
    // read in one request. The window's own position and size take several,
    // and the manager moves the frame and resizes the window in separate
    // steps, so such a reading can pair a position and a size from two
    // frames of an animation.
    static QRect panelFrame()
    {
        const QByteArray window = panelWindow().split('\n').constFirst();
        const auto tree = xwininfo({u"-children"_s, u"-id"_s, QString::fromLatin1(window)});
        if (window.isEmpty() || !tree)
            return {};
        const qsizetype at = tree->indexOf("Parent window id: ");
        const QByteArray parent = tree->mid(at + 18).split(' ').constFirst();
        const bool reparented =
            at >= 0 && !tree->mid(at).split('\n').constFirst().contains("(the root window)");
        const auto info = xwininfo({u"-id"_s, QString::fromLatin1(reparented ? parent : window)});
        if (!info)
            return {};
        return {field(*info, "Relative upper-left X"), field(*info, "Relative upper-left Y"),
                field(*info, "Width"), field(*info, "Height")};
    }

    // The application's icon in the panel's tray.
    static QRect trayIconFrame()
    {
        const auto windows = xdotool({u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"^devnook$"_s});
        for (const QByteArray &window : windows.value_or(QByteArray()).split('\n')) {
            const QRect frame = frameOf(window);
            if (!frame.isEmpty() && frame.width() <= 64)
                return frame;
        }
        return {};
    }

    // The tray is at the bottom: the panel stands above the icon, 8 pixels
    // over the panel that holds the tray.
    static bool panelStandsOver(const QRect &icon)
    {
        const QRect panel = panelFrame();
        return panel.left() <= icon.center().x() && icon.center().x() <= panel.right() &&
               panel.bottom() < icon.top() && icon.top() - panel.bottom() <= 8 + icon.height();
    }

    QByteArray panelProperty(const QString &name) const
    {
        QProcess properties;
        properties.start(u"xprop"_s, {u"-id"_s, QString::number(m_panel), name});
        if (!properties.waitForFinished(kDesktopDeadlineMs) || properties.exitCode() != 0)
            return {};
        return properties.readAllStandardOutput().trimmed();
    }

    static std::optional<QByteArray> currentDesktop() { return xdotool({u"get_desktop"_s}); }
    static bool switchToDesktop(int desktop)
    {
        const QByteArray number = QByteArray::number(desktop);
        return xdotool({u"set_desktop"_s, QString::fromLatin1(number)}) &&
               QTest::qWaitFor([&number] { return currentDesktop() == number; }, kDesktopDeadlineMs);
    }

    // What the window manager leaves free of the panels at the screen's edges.
    static QRect workArea()
    {
        QProcess properties;
        properties.start(u"xprop"_s, {u"-root"_s, u"_NET_WORKAREA"_s});
        if (!properties.waitForFinished(kDesktopDeadlineMs))
            return {};
        const QByteArray text = properties.readAllStandardOutput();
        const QList<QByteArray> numbers = text.mid(text.indexOf('=') + 1).split(',');
        if (numbers.size() < 4)
            return {};
        return {numbers[0].trimmed().toInt(), numbers[1].trimmed().toInt(), numbers[2].trimmed().toInt(),
                numbers[3].trimmed().toInt()};
    }

    static QString text(const QRect &r)
    {
        return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    static QString text(const QList<QRect> &frames)
    {
        QStringList texts;
        for (const QRect &frame : frames)
            texts.append(text(frame));
        return texts.join(u", "_s);
    }
    // Every showing's frames; the message of a check is built even when the check passes.
    static QString text(const QList<QList<QRect>> &showings)
    {
        QStringList texts;
        for (const QList<QRect> &frames : showings)
            texts.append(u"["_s + text(frames) + u"]"_s);
        return texts.isEmpty() ? u"never"_s : texts.join(u"; "_s);
    }

    // Stops the window manager until the guard ends, as a loaded machine
    // holds it: the application's requests wait in its queue meanwhile.
    [[nodiscard]] auto holdWindowManager() const
    {
        const auto manager = pid_t(m_windowManager.processId());
        ::kill(manager, SIGSTOP);
        return qScopeGuard([manager] { ::kill(manager, SIGCONT); });
    }

    // Escape hides the panel only while it has the keyboard.
    static bool pressEscapeInPanel()
    {
        return QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs) && xdotool({u"key"_s, u"Escape"_s}) &&
               QTest::qWaitFor([] { return !panelIsVisible(); }, kDesktopDeadlineMs);
    }

    // Now and then tint2's connection to the fresh server fails and it quits;
    // a second start connects.
    bool startTray()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_tray.start(u"tint2"_s, {});
            if (m_tray.waitForStarted(kDesktopDeadlineMs) &&
                QTest::qWaitFor(
                    [] {
                        return xdotool({u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"^tint2$"_s})
                            .has_value();
                    },
                    kDesktopDeadlineMs))
                return true;
            m_tray.kill();
            m_tray.waitForFinished(kDesktopDeadlineMs);
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("Needs an X server; ctest runs this under xvfb-run");
        QVERIFY(m_home.isValid());
        QVERIFY(QDir().mkpath(m_home.filePath(u"runtime"_s)));
        QFile::setPermissions(m_home.filePath(u"runtime"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(devnook::test::startWindowManager(m_windowManager));
        QVERIFY(startTray());
        m_app = launch();
        QVERIFY(m_app->waitForStarted(kDesktopDeadlineMs));
        QVERIFY(QTest::qWaitFor(panelIsVisible, kDesktopDeadlineMs)); // open right after launch
        m_panel = panelWindow().split('\n').constFirst().toUInt();
    }

    // The first panel opens before the tray has embedded the icon, which
    // then reports a small rectangle at the screen's origin.
    void firstPanelMovesToTheTrayIconOffTheTaskbar()
    {
        QRect icon;
        QVERIFY(QTest::qWaitFor([&icon] { return !(icon = trayIconFrame()).isEmpty(); }, kDesktopDeadlineMs));
        QVERIFY2(QTest::qWaitFor([&icon] { return panelStandsOver(icon); }, kDesktopDeadlineMs),
                 qPrintable(u"panel "_s + text(panelFrame()) + u", icon "_s + text(icon)));
        const QByteArray states = panelProperty(u"_NET_WM_STATE"_s);
        QVERIFY2(states.contains("_NET_WM_STATE_SKIP_TASKBAR") && states.contains("_NET_WM_STATE_SKIP_PAGER"),
                 states.constData());
    }

    void panelMovesToTheIconOfATrayThatStartsLater_data()
    {
        QTest::addColumn<int>("trayDelayMs");
        QTest::newRow("while the panel looks for the icon often") << 0;
        // Beyond the first 10 s, in which it looks five times a second.
        QTest::newRow("once the panel looks less often") << 14000;
    }

    // A tray that starts after the panel opened, as at login or when the
    // desktop's panel restarts, still gets the panel moved to its icon, soon
    // after it embeds the icon however late that is.
    void panelMovesToTheIconOfATrayThatStartsLater()
    {
        QFETCH(int, trayDelayMs);
        QVERIFY(pressEscapeInPanel());
        m_tray.kill();
        QVERIFY(m_tray.waitForFinished(kDesktopDeadlineMs));
        QVERIFY(QTest::qWaitFor([] { return trayIconFrame().isEmpty(); }, kDesktopDeadlineMs));
        ShownFrames panel(m_panel);
        QVERIFY(panel.isValid());
        QVERIFY(xdotool({u"key"_s, u"ctrl+shift+l"_s}) && QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
        QElapsedTimer shown;
        shown.start();
        // The delay is the case itself, not a wait for the application.
        QTest::qWait(int(std::max<qint64>(0, trayDelayMs - shown.elapsed())));
        // Placed before it was mapped, and left there while there is no tray.
        QVERIFY(panel.waitForWindowManager(kDesktopDeadlineMs));
        const QList<QList<QRect>> showings = panel.showings();
        QVERIFY2(showings.size() == 1 && showings.constFirst().size() == 1,
                 qPrintable(u"shown at "_s + text(showings)));
        const QRect withoutTray = showings.constFirst().constFirst();
        QVERIFY(startTray());
        QRect icon;
        QVERIFY(QTest::qWaitFor([&icon] { return !(icon = trayIconFrame()).isEmpty(); }, kDesktopDeadlineMs));
        QVERIFY2(QTest::qWaitFor([&icon] { return panelStandsOver(icon); }, 10000),
                 qPrintable(u"panel "_s + text(panelFrame()) + u" (without the tray "_s + text(withoutTray) +
                            u"), icon "_s + text(icon)));
        QVERIFY(QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
    }

    // Shown on one desktop, the panel is on the others too; opened again on
    // another, it shows there.
    void panelShowsOnEveryDesktop()
    {
        QVERIFY(panelIsVisible());
        QVERIFY(switchToDesktop(1));
        QVERIFY(QTest::qWaitFor(panelIsVisible, kDesktopDeadlineMs));
        QVERIFY(xdotool({u"key"_s, u"ctrl+shift+l"_s}));
        QVERIFY(pressEscapeInPanel());
        QVERIFY(xdotool({u"key"_s, u"ctrl+shift+l"_s}) && QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
        QCOMPARE(currentDesktop(), "1");
        QVERIFY(switchToDesktop(0));
        QVERIFY(QTest::qWaitFor(panelIsVisible, kDesktopDeadlineMs));
        QVERIFY(xdotool({u"key"_s, u"ctrl+shift+l"_s}) && QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
    }

    // The form grows the panel; Escape hides it from the form, and the hot
    // key maps the list again in its own frame, off the taskbar and on top,
    // also when the window manager answers late, as on a loaded machine: it
    // then withdraws the panel only after the panel was asked to show again.
    // Nothing the user did not resize is stored.
    void formVisitLeavesTheListFrame()
    {
        QVERIFY(QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
        ShownFrames panel(m_panel);
        QVERIFY(panel.isValid());
        const QRect list = panel.current();
        QVERIFY(xdotool({u"key"_s, u"ctrl+n"_s}));
        QVERIFY(QTest::qWaitFor([&panel] { return panel.current().size() == QSize(620, 700); },
                                kDesktopDeadlineMs));
        QVERIFY(QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
        // The window manager takes in the form's minimum size first, as when
        // the form has been open a moment: a resize it handles late then
        // keeps that minimum.
        QVERIFY(QTest::qWaitFor(
            [this] { return panelProperty(u"WM_NORMAL_HINTS"_s).contains("minimum size: 560 by 620"); },
            kDesktopDeadlineMs));
        QVERIFY(panel.waitForWindowManager(kDesktopDeadlineMs));
        {
            const auto held = holdWindowManager();
            const int marks = panel.writesOf("_NET_WM_DESKTOP");
            QVERIFY(xdotool({u"key"_s, u"Escape"_s}));
            QVERIFY(QTest::qWaitFor([&panel] { return panel.current().isEmpty(); }, kDesktopDeadlineMs));
            QVERIFY(xdotool({u"key"_s, u"ctrl+shift+l"_s}));
            // The application marks the panel for every desktop as it shows
            // it: its frame is asked for by then.
            QVERIFY(QTest::qWaitFor([&] { return panel.writesOf("_NET_WM_DESKTOP") > marks; },
                                    kDesktopDeadlineMs));
        }
        QVERIFY(QTest::qWaitFor([&panel] { return panel.showings().size() == 2; }, kDesktopDeadlineMs));
        QVERIFY(QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
        const QList<QRect> shown = panel.showings().constLast();
        QVERIFY2(shown == QList<QRect>{list},
                 qPrintable(u"shown at "_s + text(shown) + u" for the list at "_s + text(list)));
        QVERIFY(panel.waitForWindowManager(kDesktopDeadlineMs));
        const QByteArray states = panelProperty(u"_NET_WM_STATE"_s);
        for (const char *state :
             {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE"})
            QVERIFY2(states.contains(state), states.constData());
        QVERIFY2(panelProperty(u"_NET_WM_DESKTOP"_s).endsWith("= 4294967295"),
                 panelProperty(u"_NET_WM_DESKTOP"_s).constData());
        QFile settings(m_home.filePath(u"config/Devnook/Devnook.conf"_s));
        QVERIFY(!settings.open(QIODevice::ReadOnly) || !settings.readAll().contains("panelSize"));
    }

    // Add Project, then Save: the form grows around the list, kept inside
    // the free area over the tray, and the list comes back where it stood
    // under the icon; hidden and shown again, the panel is mapped there.
    void addProjectSaveLeavesThePanelInPlace()
    {
        QVERIFY(QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
        const QRect free = workArea();
        QVERIFY(!free.isEmpty());
        ShownFrames panel(m_panel);
        QVERIFY(panel.isValid());
        const QRect list = panel.current();
        const QString folder = m_home.filePath(u"projects/shop"_s);
        QVERIFY(QDir().mkpath(folder));

        QVERIFY(xdotool({u"key"_s, u"ctrl+n"_s}));
        QVERIFY(QTest::qWaitFor([&panel] { return panel.current().size() == QSize(620, 700); },
                                kDesktopDeadlineMs));
        const QRect form = panel.current();
        // The scroll area, then the folder; the chooser button, then the name.
        QVERIFY(xdotool({u"key"_s, u"Tab"_s, u"Tab"_s}) && xdotool({u"type"_s, folder}));
        QVERIFY(xdotool({u"key"_s, u"Tab"_s, u"Tab"_s}) && xdotool({u"type"_s, u"Shop"_s}));
        const QPoint save = form.bottomRight() - QPoint(60, 28);
        QVERIFY(xdotool(
            {u"mousemove"_s, QString::number(save.x()), QString::number(save.y()), u"click"_s, u"1"_s}));
        QVERIFY2(QTest::qWaitFor([&] { return panel.current() == list; }, kDesktopDeadlineMs),
                 qPrintable(u"shown at "_s + text(panel.showings())));
        QCOMPARE(panel.showings().size(), 1);
        for (const QRect &frame : panel.showings().constFirst())
            QVERIFY2(free.contains(frame), qPrintable(text(frame) + u" outside "_s + text(free)));
        QFile catalogue(m_home.filePath(u"data/Devnook/projects.json"_s));
        QVERIFY(catalogue.open(QIODevice::ReadOnly) && catalogue.readAll().contains("\"Shop\""));

        QVERIFY(pressEscapeInPanel());
        QVERIFY(xdotool({u"key"_s, u"ctrl+shift+l"_s}) && QTest::qWaitFor(panelHasFocus, kDesktopDeadlineMs));
        QVERIFY(QTest::qWaitFor([&panel] { return panel.showings().size() == 2; }, kDesktopDeadlineMs));
        const QList<QRect> shown = panel.showings().constLast();
        QVERIFY2(shown == QList<QRect>{list},
                 qPrintable(u"shown at "_s + text(shown) + u" for the list at "_s + text(list)));
    }

    // The first instance keeps running until the terminate signal quits it.
    void secondLaunchShowsTheFirstsPanelAndExits()
    {
        QVERIFY(pressEscapeInPanel());
        const std::unique_ptr<QProcess> second = launch();
        QVERIFY(second->waitForFinished(kDesktopDeadlineMs));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(QTest::qWaitFor(panelIsVisible, kDesktopDeadlineMs));
        m_app->terminate();
        QVERIFY(m_app->waitForFinished(kDesktopDeadlineMs) && m_app->exitStatus() == QProcess::NormalExit);
        QCOMPARE(m_app->exitCode(), 0);
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {m_app.get(), &m_tray, &m_windowManager}) {
            if (process && process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kDesktopDeadlineMs);
            }
        }
    }
};

QTEST_GUILESS_MAIN(ShellXvfbTest)
#include "ShellXvfbTest.moc"
