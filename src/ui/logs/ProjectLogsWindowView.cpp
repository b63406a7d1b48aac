#include "ProjectLogsWindowView.h"

#include "ProjectLogsView.h"
#include "core/store/ProjectStore.h"

#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectLogsWindowView::ProjectLogsWindowView(const DevProject &project, ProjectStore &store,
                                             Clipboard &clipboard, QWidget *parent)
    : QWidget(parent), m_projectID(project.id), m_store(store)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new ProjectLogsView(project, clipboard, this);
    layout->addWidget(m_view);

    connect(&m_store, &ProjectStore::projectsChanged, this, &ProjectLogsWindowView::showProject);
    connect(&m_store, &ProjectStore::logsChanged, this, &ProjectLogsWindowView::showLog);
    connect(&m_store, &ProjectStore::processStateChanged, this, &ProjectLogsWindowView::showProcessState);
    connect(m_view, &ProjectLogsView::toggleProcessRequested, this,
            [this] { act(&ProjectStore::toggleDevProcess); });
    connect(m_view, &ProjectLogsView::restartRequested, this,
            [this] { act(&ProjectStore::restartDevProcess); });
    connect(m_view, &ProjectLogsView::clearRequested, this, [this] { act(&ProjectStore::clearLogs); });
    if (const DevProject *stored = storedProject())
        m_view->setProject(*stored);
    showLog(m_projectID);
    showProcessState(m_projectID);
}

const DevProject *ProjectLogsWindowView::storedProject() const
{
    const QList<DevProject> &projects = m_store.projects();
    const auto found = std::find_if(projects.cbegin(), projects.cend(),
                                    [this](const DevProject &project) { return project.id == m_projectID; });
    return found == projects.cend() ? nullptr : &*found;
}

void ProjectLogsWindowView::showProject()
{
    if (const DevProject *project = storedProject()) {
        m_view->setProject(*project);
        return;
    }
    // Nothing is left to start or to show for a deleted project.
    setEnabled(false);
    window()->close();
}

void ProjectLogsWindowView::showLog(const QUuid &projectID)
{
    if (projectID == m_projectID)
        m_view->setLog(m_store.processLogs().value(projectID));
}

void ProjectLogsWindowView::showProcessState(const QUuid &projectID)
{
    if (projectID == m_projectID)
        m_view->setProcessState(m_store.processStates().value(projectID, DevProcessState::stopped));
}

void ProjectLogsWindowView::act(void (ProjectStore::*operation)(const DevProject &))
{
    // A copy: the operation may rewrite the catalogue that holds the project.
    if (const DevProject *project = storedProject())
        (m_store.*operation)(DevProject(*project));
}

} // namespace devnook
