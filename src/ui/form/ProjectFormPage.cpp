#include "ProjectFormPage.h"

#include "ProjectFormView.h"
#include "core/panel/DevnookNavigation.h"
#include "ui/kit/AlertAsker.h"
#include "ui/kit/KitStyle.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectFormPage::ProjectFormPage(ProjectFormCatalogue &catalogue, AlertAsker &alerts,
                                 DevnookNavigation &navigation, QWidget *parent)
    : QWidget(parent), m_catalogue(catalogue), m_alerts(alerts), m_navigation(navigation)
{
    setObjectName(u"projectFormMode"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(&m_navigation, &DevnookNavigation::projectFormShownChanged, this,
            &ProjectFormPage::followNavigation);
    followNavigation(m_navigation.isShowingProjectForm());
}

void ProjectFormPage::followNavigation(bool showing)
{
    // The form may be closing from inside its own save or cancel.
    if (m_form) {
        m_form->hide();
        m_form->deleteLater();
    }
    m_form = nullptr;
    if (!showing)
        return;
    // The form is styled by the theme's sheet, also inside the panel; taken
    // when a form first opens, not on every launch.
    KitStyle::useThemeSheet(this);
    m_form = new ProjectFormView(m_navigation.editingProject(), m_catalogue.projects(),
                                 {*this, m_suggestions, *this}, this);
    layout()->addWidget(m_form);
    m_form->setFocus();
}

bool ProjectFormPage::saveProject(const DevProject &project)
{
    if (!m_catalogue.save(project))
        return false;
    m_navigation.closeProjectForm();
    return true;
}

std::optional<QString> ProjectFormPage::lastSaveError() const
{
    return m_catalogue.lastError();
}

void ProjectFormPage::cancelProjectForm()
{
    m_navigation.closeProjectForm();
}

std::optional<QString> ProjectFormPage::chooseFolder(const QString &prompt)
{
    return m_files.chooseFolder(window(), prompt);
}

void ProjectFormPage::showMessage(const QString &title, const QString &text, const QString &button)
{
    m_alerts.ask({.message = title, .informativeText = text, .buttons = {button}, .window = this});
}

} // namespace devnook
