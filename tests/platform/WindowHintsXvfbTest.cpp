#include "platform/linux/XcbWindowHints.h"

#include <QProcess>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;
using namespace devnook;

// The panel's hints as written on its window, on an X server without a window
// manager: openbox, under which the shell test runs, keeps none of the states
// it does not know (the sticky one) once it maps the window, while other
// managers read only that state to show the panel on every desktop.
class WindowHintsXvfbTest : public QObject {
    Q_OBJECT

private:
    static QByteArray property(const QWidget &window, const QString &name)
    {
        QProcess tool;
        tool.start(u"xprop"_s, {u"-id"_s, QString::number(window.winId()), name});
        if (!tool.waitForFinished(5000) || tool.exitCode() != 0)
            return {};
        return tool.readAllStandardOutput().trimmed();
    }

private Q_SLOTS:
    // Every desktop, off the taskbar and pager, and Qt's own states kept,
    // each state once however often the panel is shown.
    void panelIsMarkedForEveryDesktopKeepingQtsStates()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server; ctest runs this under xvfb-run");
        QWidget panel(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.hide();
        QTRY_VERIFY(property(panel, u"_NET_WM_STATE"_s).contains("_NET_WM_STATE_ABOVE"));

        XcbWindowHints hints;
        hints.markAsFloatingPanel(panel.winId());
        hints.markAsFloatingPanel(panel.winId());
        const QByteArray states = property(panel, u"_NET_WM_STATE"_s);
        for (const char *state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                                  "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"})
            QVERIFY2(states.count(state) == 1, states.constData());
        QCOMPARE(property(panel, u"_NET_WM_DESKTOP"_s), "_NET_WM_DESKTOP(CARDINAL) = 4294967295");
    }
};

QTEST_MAIN(WindowHintsXvfbTest)
#include "WindowHintsXvfbTest.moc"
