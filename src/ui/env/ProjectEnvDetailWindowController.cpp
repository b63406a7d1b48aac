#include "ProjectEnvDetailWindowController.h"

#include "ProjectEnvDetailWindowView.h"
#include "core/foundation/L10n.h"
#include "core/projects/DevProject.h"

#include <QLayout>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectEnvDetailWindowController::ProjectEnvDetailWindowController(ProjectStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_windows(kContentSize, kMinimumSize, u"envDetailWindow"_s)
{}

void ProjectEnvDetailWindowController::show(const DevProject &project)
{
    if (QWidget *window = m_windows.find(project.id)) {
        // The title stays; the content shows the project as it is now.
        delete window->findChild<ProjectEnvDetailWindowView *>();
        window->layout()->addWidget(new ProjectEnvDetailWindowView(project, m_store, window));
        m_windows.raise(project.id);
        return;
    }
    m_windows.open(project.id, L10n::text(u"env_detail_title"_s) + u" - "_s + project.name,
                   [&](QWidget *window) { return new ProjectEnvDetailWindowView(project, m_store, window); });
}

} // namespace devnook
