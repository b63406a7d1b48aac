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

    // Shows the panel right after launch.
    void didFinishLaunching();
    // A later launch asked for the panel.
    void reopen();
    // The user asked to quit: the quit question decides.
    void requestQuit();
    // SIGTERM, SIGINT or SIGHUP.
    void terminateFromSignal();

private:
    void leaveOnceStopped();
    void checkStoppedProcesses();
    static void leaveEventLoop();

    StatusBarController &m_statusBar;
    QuitCoordinator &m_quit;
    ShellStore &m_store;
    bool m_isAsking = false;
    bool m_isTerminating = false;
    QTimer m_stopCheck;
    QDeadlineTimer m_stopDeadline;
};

} // namespace devnook
