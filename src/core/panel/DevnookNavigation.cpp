#include "DevnookNavigation.h"

namespace devnook {

void DevnookNavigation::setEditingProject(const std::optional<DevProject> &project)
{
    m_editingProject = project;
    Q_EMIT editingProjectChanged();
}

void DevnookNavigation::setShowingProjectForm(bool showing)
{
    m_isShowingProjectForm = showing;
    Q_EMIT projectFormShownChanged(showing);
}

void DevnookNavigation::openNewProjectForm()
{
    setEditingProject(std::nullopt);
    setShowingProjectForm(true);
}

void DevnookNavigation::closeProjectForm()
{
    setEditingProject(std::nullopt);
    setShowingProjectForm(false);
}

} // namespace devnook
