#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

namespace devnook {

class QuitCoordinator;
class ShellStore;
class StatusBarController;

// Start-up, reopening and the way out: the panel opens at launch and on every
// later launch; every quit passes the quit question, and a termination signal
// takes the same orderly way out without it.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    // How long a quit that stopped the processes waits for them to end before
    // it kills what is left.
    static constexpr std::chrono::milliseconds kStopGrace{2000};

    AppDelegate(StatusBarController &statusBar, QuitCoordinator &quit, ShellStore &store,
                QObject *parent = nullptr);

    // How long the launch's status refresh waits for the panel's first paint
    // at most, for a panel that no window manager puts on screen.
    static constexpr std::chrono::milliseconds kFirstPaintWait{500};

    // Shows the panel right after launch; the status refresh that showing
    // asks for starts once the panel has painted.
    void didFinishLaunching();
    // A later launch asked for the panel.
    void reopen();
    // The user asked to quit: the quit question decides.
    void requestQuit();
    // SIGTERM, SIGINT or SIGHUP.
    void terminateFromSignal();

Q_SIGNALS:
    // Emitted once after launch, when the panel has painted or the wait for
    // it ran out: what can wait until then starts here.
    void panelOnScreen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void settleLaunch();
    void leaveOnceStopped();
    void checkStoppedProcesses();
    static void leaveEventLoop();

    StatusBarController &m_statusBar;
    QuitCoordinator &m_quit;
    ShellStore &m_store;
    bool m_isPanelOnScreen = false;
    bool m_isAsking = false;
    bool m_isTerminating = false;
    QTimer m_stopCheck;
    QDeadlineTimer m_stopDeadline;
};

} // namespace devnook
