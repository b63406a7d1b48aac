#pragma once

#include "PanelStore.h"
#include "core/panel/PanelList.h"
#include "core/panel/ProjectRowActions.h"

#include <QCoroTask>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

class QLabel;
class QMenu;
class QStackedLayout;

namespace devnook {

class DevnookNavigation;
class EmptyProjectsView;
class PanelErrorBand;
class PanelFooter;
class PanelHeader;
class ProjectListModel;
class ProjectListView;
struct CardZone;

// The root view of the panel. The navigation's form flag alone picks the
// mode: the project form, or the list (header, error line, projects or the
// empty state, footer). Row actions reach the store, the project commands
// and the clipboard through the panel's services.
class DevnookPopoverView final : public QWidget {
    Q_OBJECT

public:
    // How long the refresh arrow spins after a refresh.
    static constexpr int kRefreshSpinMs = 350;

    DevnookPopoverView(PanelServices services, DevnookNavigation &navigation, QWidget *parent = nullptr);
    ~DevnookPopoverView() override;

    const PanelListState &listState() const { return m_state; }
    ProjectListModel &listModel() const { return *m_model; }
    ProjectListView &listView() const { return *m_list; }

    // The footer's refresh: one store refresh per spin of the arrow.
    void refreshStatuses();
    // Carries out a row's action on the project as the row showed it.
    void perform(const DevProject &project, RowAction action, qsizetype linkIndex = -1);
    // Opens the row menu of a listed project, its right edge at a point of
    // the screen.
    void openRowMenu(const QUuid &projectID, const QPoint &globalPosition);

Q_SIGNALS:
    void usageOverviewRequested();
    void settingsRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showCurrentMode();
    QWidget *emptyView();
    QWidget *noMatchPage();
    void listStateChanged();
    void zoneClicked(int row, const CardZone &zone);
    void confirmDelete(const DevProject &project);
    void showNotes(const DevProject &project);
    void scrollToTop();
    void updateErrorLine();
    // The user closed the error band: the store's problems and a failed open
    // are dropped.
    void dismissErrors();
    // Opens the address; a failure shows on the error line below any store error.
    void openUrl(const QUrl &url);
    // Shows the folder selected in the file manager, else opens it; a
    // failure shows as for an address.
    QCoro::Task<> revealFolder(QString folderPath);
    // Shows why the last open of an address, a folder or a terminal failed; nothing
    // after one that worked.
    void showOpenFailure(const std::optional<QString> &failure);

    PanelServices m_services;
    DevnookNavigation &m_navigation;
    PanelListState m_state;
    // The search the list was last scrolled to the top for.
    QString m_listedSearchText;
    RowWindows m_windows;
    ProjectListModel *m_model = nullptr;
    QStackedLayout *m_modes = nullptr;
    QStackedLayout *m_listBody = nullptr;
    QWidget *m_listPage = nullptr;
    QWidget *m_formPage = nullptr;
    PanelHeader *m_header = nullptr;
    PanelErrorBand *m_errorBand = nullptr;
    std::optional<QString> m_openFailure;
    EmptyProjectsView *m_emptyView = nullptr;
    ProjectListView *m_list = nullptr;
    QWidget *m_noMatch = nullptr;
    PanelFooter *m_footer = nullptr;
    QTimer m_refreshSpin{this};
    QVariantAnimation m_scrollAnimation;
    QPointer<QMenu> m_rowMenu;
    // Whether the list was on screen at the last mode change, so the list
    // asks for fresh statuses each time it comes back.
    bool m_listOnScreen = false;
};

} // namespace devnook
