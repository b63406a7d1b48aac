#include "ProjectEnvDetailWindowView.h"

#include "ProjectEnvDetailView.h"
#include "core/store/ProjectStore.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectEnvDetailWindowView::ProjectEnvDetailWindowView(DevProject project, ProjectStore &store,
                                                       QWidget *parent)
    : QWidget(parent), m_project(std::move(project)), m_store(store)
{
    setObjectName(u"envDetailWindowView"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new ProjectEnvDetailView(m_project.name, this);
    layout->addWidget(m_view);
    connect(&m_store, &ProjectStore::envProfilesChanged, this, &ProjectEnvDetailWindowView::showDetail);
    connect(m_view, &ProjectEnvDetailView::refreshRequested, this,
            [this] { m_store.refreshEnvProfile(m_project); });
    showDetail();
    m_store.refreshEnvProfile(m_project);
}

void ProjectEnvDetailWindowView::showDetail()
{
    const auto found = m_store.envDetails().constFind(m_project.id);
    m_view->setDetail(found == m_store.envDetails().cend() ? std::nullopt : std::optional(*found));
}

} // namespace devnook
