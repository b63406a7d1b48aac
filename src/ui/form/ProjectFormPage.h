#pragma once

#include "ProjectFormView.h"
#include "core/form/ProjectFormSeams.h"
#include "ui/kit/FileChooser.h"

#include <QPointer>
#include <QWidget>

namespace devnook {

class AlertAsker;
class DevnookNavigation;

// The panel's form page: builds a fresh form each time the navigation opens
// it, saves into the catalogue and closes the form through the navigation.
class ProjectFormPage final : public QWidget, private ProjectFormOwner, private ProjectFormDesktop {
    Q_OBJECT

public:
    ProjectFormPage(ProjectFormCatalogue &catalogue, AlertAsker &alerts, DevnookNavigation &navigation,
                    QWidget *parent = nullptr);

    // The form shown now; null while the panel shows the list.
    ProjectFormView *form() const { return m_form; }

private:
    void followNavigation(bool showing);

    bool saveProject(const DevProject &project) override;
    std::optional<QString> lastSaveError() const override;
    void cancelProjectForm() override;
    std::optional<QString> chooseFolder(const QString &prompt) override;
    void showMessage(const QString &title, const QString &text, const QString &button) override;

    ProjectFormCatalogue &m_catalogue;
    AlertAsker &m_alerts;
    DevnookNavigation &m_navigation;
    BackgroundProjectSuggestions m_suggestions;
    FileChooser m_files;
    QPointer<ProjectFormView> m_form;
};

} // namespace devnook
