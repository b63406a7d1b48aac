#pragma once

#include "DistinctChanges.h"
#include "KeyDecision.h"
#include "core/environment/FeedbackService.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QSystemTrayIcon>
#include <QTimer>
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
class SettingsWindowController;
class ShellStore;
class UpdateService;
class WindowHints;

// The heart of the shell: the tray icon with its menu, the floating panel
// (shown, hidden, placed, resized between list and form size, its list size
// remembered), the application-wide keys and the global hot key.
class StatusBarController final : public QObject {
    Q_OBJECT

public:
    // The list size: a group of two numbers in the settings file. A size
    // stored as one value under the group's name is read too.
    static inline const QString kPanelSizeKey = QStringLiteral("Devnook.panelSize");
    static inline const QString kPanelWidthKey = QStringLiteral("Devnook.panelSize/width");
    static inline const QString kPanelHeightKey = QStringLiteral("Devnook.panelSize/height");

    struct Services {
        ShellStore &store;
        KeyValueStore &defaults;
        UpdateService &updates;
        HotKeyGrabber &hotKey;
        WindowHints &windowHints;
        SettingsWindowController &settingsWindows;
        UrlOpener &urlOpener;
    };

    explicit StatusBarController(Services services, QObject *parent = nullptr);
    ~StatusBarController() override;

    // Shows the tray icon with its menu and grabs the global hot key; the
    // application does it once its panel is on screen. Once only.
    void joinDesktop();

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
    // Nothing until joinDesktop().
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
    QSize savedPanelSize() const;
    void positionPanel();
    void placeAgainAtTheTrayIcon();
    // The panel at this size, grown or shrunk around the list's frame.
    void resizeFromTheListFrame(const QSize &size, const QSize &minimum, bool animated);
    void setPanelFrame(const QRect &target, const QSize &minimum, bool animated);
    void savePanelSize();
    void updateStatusTitle();
    void rebuildStatusMenu();
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void onProjectFormShownChanged(bool showing);
    void perform(KeyCommand command);
    void sendFeedback(FeedbackKind kind);

    Services m_services;
    DevnookNavigation *m_navigation = nullptr;
    PanelWindow *m_panel = nullptr;
    DevnookPopoverView *m_rootView = nullptr;
    QMenu *m_statusMenu = nullptr;
    KeyMonitor *m_keyMonitor = nullptr;
    QSystemTrayIcon m_tray;
    QSize m_normalPanelSize;
    // Where the list stands while the form is shown: where it stood when the
    // form opened, or where it belongs under the icon when the panel was
    // placed since. The form grows around the list's centre but is kept
    // inside the screen, so the list comes back here, not around the form's
    // centre.
    QRect m_listFrame;
    // Where the panel was placed while the tray icon could not tell where
    // it is; the panel moves to the icon once it can, unless the user moved
    // it meanwhile.
    std::optional<QPoint> m_placedWithoutIcon;
    QTimer m_trayWatch;
    int m_trayWatchTicks = 0;
    DistinctChanges m_formChanges{false};
    std::optional<QPoint> m_lastClick;
    QVariantAnimation m_resizeAnimation;
    // The panel's minimum size once the running resize has ended.
    QSize m_minimumAfterResize;
    QString m_statusTitle;
};

} // namespace devnook
