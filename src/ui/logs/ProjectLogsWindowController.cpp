#include "ProjectLogsWindowController.h"

#include "ProjectLogsWindowView.h"
#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

ProjectLogsWindowController::ProjectLogsWindowController(ProjectStore &store, Clipboard &clipboard,
                                                         QObject *parent)
    : QObject(parent), m_store(store), m_clipboard(clipboard),
      m_windows(kContentSize, kMinimumSize, u"logsWindow"_s)
{}

void ProjectLogsWindowController::show(const DevProject &project)
{
    if (m_windows.raise(project.id))
        return;
    m_windows.open(project.id, L10n::text(u"logs_title"_s) + u" - "_s + project.name, [&](QWidget *window) {
        return new ProjectLogsWindowView(project, m_store, m_clipboard, window);
    });
}

} // namespace devnook
