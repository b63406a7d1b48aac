#pragma once

class QWidget;

namespace devnook {

class AlertAsker;
class ShellStore;

// Decides whether a quit may go ahead. With processes starting or running it
// asks to stop them and quit, to quit and leave them, or to cancel; every
// quit that goes ahead first finishes usage tracking.
class QuitCoordinator {
public:
    enum Answer { stopAndQuit = 0, quitAnyway = 1, cancel = 2 };

    QuitCoordinator(ShellStore &store, AlertAsker &alerts);

    // True when the application should terminate now. The question opens
    // over the window that asked.
    bool shouldTerminate(QWidget *window);

    // The way out without a question (a termination signal): usage tracking
    // finished, processes left as they are.
    void terminateWithoutAsking();

private:
    ShellStore &m_store;
    AlertAsker &m_alerts;
};

} // namespace devnook
