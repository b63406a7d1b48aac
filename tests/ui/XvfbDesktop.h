#pragma once

#include <QProcess>
#include <QTest>

// The window manager of the tests that run on the X server xvfb-run started.
namespace devnook::test {

// How long the desktop may take to answer on a loaded machine: generous, as
// it costs nothing when the answer comes early.
inline constexpr int kDesktopDeadlineMs = 20000;

inline bool windowManagerRuns()
{
    QProcess check;
    check.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return check.waitForFinished(kDesktopDeadlineMs) && check.readAll().contains("window id");
}

// Starts openbox and waits until it manages the screen. With several servers
// starting at once, openbox's connection to its fresh server now and then
// fails and it quits at once; a tray then waits for it forever. Another start
// connects.
inline bool startWindowManager(QProcess &manager)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        manager.start(QStringLiteral("openbox"), {});
        const bool managing =
            manager.waitForStarted(kDesktopDeadlineMs) &&
            QTest::qWaitFor(
                [&manager] { return manager.state() != QProcess::Running || windowManagerRuns(); },
                kDesktopDeadlineMs) &&
            manager.state() == QProcess::Running && windowManagerRuns();
        if (managing)
            return true;
        manager.kill();
        manager.waitForFinished(kDesktopDeadlineMs);
    }
    return false;
}

} // namespace devnook::test
