#include "AppDelegate.h"

#include "ui/shell/PanelWindow.h"
#include "ui/shell/QuitCoordinator.h"
#include "ui/shell/ShellStore.h"
#include "ui/shell/StatusBarController.h"

#include <QApplication>
#include <QEvent>
#include <utility>

namespace devnook {

namespace {

constexpr std::chrono::milliseconds kStopCheckInterval{50};

} // namespace

AppDelegate::AppDelegate(StatusBarController &statusBar, QuitCoordinator &quit, ShellStore &store,
                         QObject *parent)
    : QObject(parent), m_statusBar(statusBar), m_quit(quit), m_store(store)
{
    m_stopCheck.setInterval(kStopCheckInterval);
    connect(&m_stopCheck, &QTimer::timeout, this, &AppDelegate::checkStoppedProcesses);
}

void AppDelegate::didFinishLaunching()
{
    // Hundreds of git processes starting while the panel is built and mapped
    // would hold it up; the first look at the panel comes first.
    m_store.holdStatusRefreshes();
    m_statusBar.showPanel();
    m_statusBar.panel()->installEventFilter(this);
    QTimer::singleShot(kFirstPaintWait, this, &AppDelegate::settleLaunch);
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Queued: after this paint has reached the screen.
        QMetaObject::invokeMethod(this, &AppDelegate::settleLaunch, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::settleLaunch()
{
    // The first paint or the time limit, whichever comes first.
    if (std::exchange(m_isPanelOnScreen, true))
        return;
    // The tray icon and the hot key are not needed to see the panel.
    m_statusBar.joinDesktop();
    m_store.releaseStatusRefreshes();
    Q_EMIT panelOnScreen();
}

void AppDelegate::reopen()
{
    if (!m_isTerminating)
        m_statusBar.showPanel();
}

void AppDelegate::requestQuit()
{
    // One question at a time: a second Quit while the first is open is moot.
    if (m_isAsking || m_isTerminating)
        return;
    m_isAsking = true;
    // The question opens over the window the quit came from, else the panel.
    QWidget *asking = QApplication::activeWindow();
    const bool terminate = m_quit.shouldTerminate(asking ? asking : m_statusBar.panel());
    m_isAsking = false;
    if (terminate && !m_isTerminating) {
        m_isTerminating = true;
        leaveOnceStopped();
    }
}

void AppDelegate::terminateFromSignal()
{
    if (m_isTerminating)
        return;
    m_isTerminating = true;
    m_quit.terminateWithoutAsking();
    leaveEventLoop();
}

// The forced kill of a stop comes later than an exit would; the event loop
// keeps running meanwhile so that the processes' ends are handled.
void AppDelegate::leaveOnceStopped()
{
    if (!m_store.hasLiveStoppedProcesses()) {
        leaveEventLoop();
        return;
    }
    m_stopDeadline.setRemainingTime(kStopGrace);
    m_stopCheck.start();
}

void AppDelegate::checkStoppedProcesses()
{
    const bool alive = m_store.hasLiveStoppedProcesses();
    if (alive && !m_stopDeadline.hasExpired())
        return;
    m_stopCheck.stop();
    if (alive)
        m_store.killStoppedProcesses();
    leaveEventLoop();
}

void AppDelegate::leaveEventLoop()
{
    // quit() would first ask every window to close, and the panel refuses
    // closing (it only hides); the decision to quit is already made here.
    QCoreApplication::exit(0);
}

} // namespace devnook
