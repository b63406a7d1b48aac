#pragma once

#include "DistinctChanges.h"
#include "FeedbackService.h"
#include "KeyDecision.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QSystemTrayIcon>
#include <QVariantAnimation>
#include <optional>

class QMenu;

namespace devnook {

class AlertAsker;
class DevnookNavigation;
class DevnookPopoverView;
class HotKeyGrabber;
class KeyMonitor;
class KeyValueStore;
class PanelWindow;
class ProjectFormCatalogue;
class SettingsWindowController;
class ShellStore;
class UpdateService;

// The heart of the shell: the tray icon with its menu, the floating panel
// (shown, hidden, placed, resized between list and form size, its list size
// remembered), the application-wide keys and the global hot key.
class StatusBarController final : public QObject {
    Q_OBJECT

public:
    static inline const QString kPanelSizeKey = QStringLiteral("Devnook.panelSize");

    struct Services {
        ShellStore &store;
        KeyValueStore &defaults;
        UpdateService &updates;
        HotKeyGrabber &hotKey;
        SettingsWindowController &settingsWindows;
        UrlOpener &urlOpener;
        ProjectFormCatalogue &formCatalogue;
        AlertAsker &alerts;
    };

    explicit StatusBarController(Services services, QObject *parent = nullptr);
    ~StatusBarController() override;

    // Refreshes project statuses, places the panel, raises and focuses it.
    void showPanel();
    // Hides the panel; an open project form is discarded first.
    void hidePanel();
    void togglePanel();

    // The running projects' title; the tray shows it as its tooltip.
    QString statusTitle() const { return m_statusTitle; }

    PanelWindow *panel() const { return m_panel; }
    DevnookNavigation &navigation() const { return *m_navigation; }
    QSystemTrayIcon &trayIcon() { return m_tray; }
    QMenu *statusMenu() const { return m_statusMenu; }

    // The commands of the menus and keys.
    void openDevnookFromMenu();
    void showAddProjectFromMenu();
    void showUsageOverviewFromMenu();
    void showSettingsFromMenu();
    void checkForUpdatesFromMenu();
    void reportBugFromMenu();
    void requestFeatureFromMenu();

Q_SIGNALS:
    // Emitted when the user asks to quit; the application decides.
    void quitRequested();
    // Emitted when the user asks for the usage overview window.
    void usageOverviewRequested();

private:
    void positionPanel();
    void resizePanel(const QSize &size, bool animated);
    void setPanelGeometry(const QRect &frame);
    void savePanelSize();
    void updateStatusTitle();
    void rebuildStatusMenu();
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void onProjectFormShownChanged(bool showing);
    void perform(KeyCommand command);

    Services m_services;
    DevnookNavigation *m_navigation = nullptr;
    PanelWindow *m_panel = nullptr;
    DevnookPopoverView *m_rootView = nullptr;
    QMenu *m_statusMenu = nullptr;
    KeyMonitor *m_keyMonitor = nullptr;
    QSystemTrayIcon m_tray;
    QSize m_normalPanelSize;
    bool m_isProgrammaticPanelResize = false;
    DistinctChanges m_formChanges{false};
    std::optional<QPoint> m_lastClick;
    QVariantAnimation m_resizeAnimation;
    QString m_statusTitle;
};

} // namespace devnook
