#pragma once

#include <QObject>

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
    AppDelegate(StatusBarController &statusBar, QuitCoordinator &quit, QObject *parent = nullptr);

    // Shows the panel right after launch.
    void didFinishLaunching();
    // A later launch asked for the panel.
    void reopen();
    // The user asked to quit: the quit question decides.
    void requestQuit();
    // SIGTERM or SIGINT.
    void terminateFromSignal();

private:
    static void leaveEventLoop();

    StatusBarController &m_statusBar;
    QuitCoordinator &m_quit;
    bool m_isAsking = false;
    bool m_isTerminating = false;
};

} // namespace devnook
