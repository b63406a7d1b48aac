#include "ProjectLogsWindowView.h"

#include "ProjectLogsView.h"
#include "core/store/ProjectStore.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectLogsWindowView::ProjectLogsWindowView(DevProject project, ProjectStore &store, Clipboard &clipboard,
                                             QWidget *parent)
    : QWidget(parent), m_project(std::move(project)), m_store(store)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new ProjectLogsView(m_project, clipboard, this);
    layout->addWidget(m_view);

    connect(&m_store, &ProjectStore::logsChanged, this, &ProjectLogsWindowView::showLog);
    connect(&m_store, &ProjectStore::processStateChanged, this, &ProjectLogsWindowView::showProcessState);
    connect(m_view, &ProjectLogsView::toggleProcessRequested, this,
            [this] { m_store.toggleDevProcess(m_project); });
    connect(m_view, &ProjectLogsView::restartRequested, this,
            [this] { m_store.restartDevProcess(m_project); });
    connect(m_view, &ProjectLogsView::clearRequested, this, [this] { m_store.clearLogs(m_project); });
    showLog(m_project.id);
    showProcessState(m_project.id);
}

void ProjectLogsWindowView::showLog(const QUuid &projectID)
{
    if (projectID == m_project.id)
        m_view->setLog(m_store.processLogs().value(projectID));
}

void ProjectLogsWindowView::showProcessState(const QUuid &projectID)
{
    if (projectID == m_project.id)
        m_view->setProcessState(m_store.processStates().value(projectID, DevProcessState::stopped));
}

} // namespace devnook
