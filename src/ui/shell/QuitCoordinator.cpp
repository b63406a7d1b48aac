#include "QuitCoordinator.h"

#include "ShellStore.h"
#include "core/foundation/L10n.h"
#include "ui/kit/AlertAsker.h"

using namespace Qt::StringLiterals;

namespace devnook {

QuitCoordinator::QuitCoordinator(ShellStore &store, AlertAsker &alerts) : m_store(store), m_alerts(alerts) {}

bool QuitCoordinator::shouldTerminate(QWidget *window)
{
    if (!m_store.hasActiveProcesses()) {
        m_store.finishUsageTrackingForQuit();
        return true;
    }
    const int answer = m_alerts.ask({
        .message = L10n::text(u"quit_running_processes_title"_s),
        .informativeText = L10n::text(u"quit_running_processes_message"_s),
        .buttons = {L10n::text(u"stop_and_quit"_s), L10n::text(u"quit_anyway"_s), L10n::text(u"cancel"_s)},
        .harmlessButton = cancel,
        .window = window,
    });
    switch (answer) {
    case stopAndQuit:
        m_store.finishUsageTrackingForQuit();
        m_store.stopAllProcesses();
        return true;
    case quitAnyway:
        m_store.finishUsageTrackingForQuit();
        return true;
    default:
        return false;
    }
}

void QuitCoordinator::terminateWithoutAsking()
{
    m_store.finishUsageTrackingForQuit();
}

} // namespace devnook
