#pragma once

#include "core/form/ProjectFormController.h"

#include <QWidget>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace devnook {

class ProjectFormTabBar;

// The project form as the panel shows it: a header with the title (and the
// tab bar when a project is edited), the scrolling body, the message of a
// failed save and the Cancel and Save buttons. Return saves, Escape cancels.
class ProjectFormView final : public QWidget {
    Q_OBJECT

public:
    ProjectFormView(const std::optional<DevProject> &project, QList<DevProject> existingProjects,
                    ProjectFormController::Services services, QWidget *parent = nullptr);

    ProjectFormController &controller() { return *m_form; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *makeHeader();
    QWidget *makeBottomBar();
    QWidget *makeAddPage();
    QWidget *makeAdvancedButton();
    QWidget *makeTabContent(ProjectFormTab tab);
    void showSelectedTab();
    void showAdvancedOptions();
    void showValidationMessage();

    ProjectFormController *m_form;
    ProjectFormTabBar *m_tabBar = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_advanced = nullptr;
    QLabel *m_message = nullptr;
};

} // namespace devnook
