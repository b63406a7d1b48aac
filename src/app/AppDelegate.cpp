#include "AppDelegate.h"

#include "ui/shell/QuitCoordinator.h"
#include "ui/shell/StatusBarController.h"

#include <QCoreApplication>

namespace devnook {

AppDelegate::AppDelegate(StatusBarController &statusBar, QuitCoordinator &quit, QObject *parent)
    : QObject(parent), m_statusBar(statusBar), m_quit(quit)
{}

void AppDelegate::didFinishLaunching()
{
    m_statusBar.showPanel();
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
    const bool terminate = m_quit.shouldTerminate();
    m_isAsking = false;
    if (terminate && !m_isTerminating) {
        m_isTerminating = true;
        leaveEventLoop();
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

void AppDelegate::leaveEventLoop()
{
    // quit() would first ask every window to close, and the panel refuses
    // closing (it only hides); the decision to quit is already made here.
    QCoreApplication::exit(0);
}

} // namespace devnook
