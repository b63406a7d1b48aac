#pragma once

#include <QWidget>

class QStackedLayout;

namespace devnook {

class AlertAsker;
class DevnookNavigation;
class EmptyProjectsView;
class ProjectFormCatalogue;
class ShellStore;

// The root view of the panel. The navigation's form flag alone picks the
// mode: the project form, or the list (the empty state while the catalogue
// holds no project).
class DevnookPopoverView final : public QWidget {
    Q_OBJECT

public:
    DevnookPopoverView(ShellStore &store, DevnookNavigation &navigation, ProjectFormCatalogue &catalogue,
                       AlertAsker &alerts, QWidget *parent = nullptr);

private:
    void showCurrentMode();

    ShellStore &m_store;
    DevnookNavigation &m_navigation;
    QStackedLayout *m_modes = nullptr;
    QStackedLayout *m_listBody = nullptr;
    QWidget *m_listPage = nullptr;
    QWidget *m_formPage = nullptr;
    EmptyProjectsView *m_emptyView = nullptr;
    QWidget *m_projectList = nullptr;
};

} // namespace devnook
