#include "StatusBarController.h"

#include "KeyMonitor.h"
#include "PanelGeometry.h"
#include "PanelWindow.h"
#include "ShellStore.h"
#include "StatusTitle.h"
#include "core/environment/DiagnosticInfoService.h"
#include "core/environment/HotKeyGrabber.h"
#include "core/environment/UpdateService.h"
#include "core/environment/WindowHints.h"
#include "core/foundation/KeyValueStore.h"
#include "core/foundation/L10n.h"
#include "core/panel/DevnookNavigation.h"
#include "ui/kit/AppIcon.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Tooltip.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/settings/SettingsWindowController.h"

#include <QApplication>
#include <QCursor>
#include <QKeySequence>
#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace devnook {

Q_LOGGING_CATEGORY(lcShell, "devnook.shell")

namespace {

constexpr int kResizeAnimationMs = 180;
// A tray embeds its icons within moments of start-up, but a tray that starts
// after the application, or a loaded machine, takes longer: the watch keeps
// looking, at a slower pace once this many looks found no icon.
constexpr std::chrono::milliseconds kTrayWatchInterval{200};
constexpr int kTrayWatchTicks = 50;
constexpr std::chrono::milliseconds kSlowTrayWatchInterval{1000};

QRect visibleGeometryAt(const QPoint &point)
{
    QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

StatusBarController::StatusBarController(Services services, QObject *parent)
    : QObject(parent), m_services(std::move(services))
{
    m_navigation = new DevnookNavigation(this);
    m_normalPanelSize = savedPanelSize();

    m_panel = new PanelWindow;
    // Made inside the panel: made alone and moved in, every widget of the
    // view would be styled twice at launch.
    m_rootView = new DevnookPopoverView(m_services.store.panelServices(), *m_navigation, m_panel);
    connect(m_rootView, &DevnookPopoverView::usageOverviewRequested, this,
            &StatusBarController::showUsageOverviewFromMenu);
    connect(m_rootView, &DevnookPopoverView::settingsRequested, this,
            &StatusBarController::showSettingsFromMenu);
    connect(m_rootView, &DevnookPopoverView::quitRequested, this, &StatusBarController::quitRequested);
    m_panel->setContent(m_rootView);
    new TooltipRoot(m_panel);
    m_panel->resize(m_normalPanelSize);
    connect(m_panel, &PanelWindow::hideRequested, this, &StatusBarController::hidePanel);
    connect(m_panel, &PanelWindow::resizedByUser, this, [this] {
        if (!m_navigation->isShowingProjectForm())
            savePanelSize();
    });
    connect(&m_trayWatch, &QTimer::timeout, this, &StatusBarController::placeAgainAtTheTrayIcon);

    connect(&m_tray, &QSystemTrayIcon::activated, this, &StatusBarController::onTrayActivated);

    m_keyMonitor = new KeyMonitor(m_panel, this);
    connect(m_keyMonitor, &KeyMonitor::commandRequested, this, &StatusBarController::perform);

    connect(&m_resizeAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &frame) { m_panel->setFrame(frame.toRect()); });
    connect(&m_resizeAnimation, &QVariantAnimation::finished, this,
            [this] { m_panel->setMinimumSize(m_minimumAfterResize); });
    connect(&m_services.store, &ShellStore::changed, this, &StatusBarController::updateStatusTitle);
    connect(m_navigation, &DevnookNavigation::projectFormShownChanged, this,
            &StatusBarController::onProjectFormShownChanged);
    updateStatusTitle();
}

void StatusBarController::joinDesktop()
{
    if (m_statusMenu)
        return;
    m_statusMenu = new QMenu;
    m_statusMenu->setObjectName(u"statusMenu"_s);
    connect(m_statusMenu, &QMenu::aboutToShow, this, &StatusBarController::rebuildStatusMenu);
    rebuildStatusMenu();
    m_tray.setIcon(AppIcon::icon());
    m_tray.setContextMenu(m_statusMenu);
    m_tray.show();
    // A panel placed before there was an icon follows the icon once the
    // tray embeds it.
    if (m_panel->isVisible())
        positionPanel();

    const QPointer<StatusBarController> guard(this);
    if (!m_services.hotKey.grab([guard] {
            if (guard)
                guard->showPanel();
        }))
        qCWarning(lcShell) << "The global hot key Ctrl+Shift+L is not available on this desktop";
}

StatusBarController::~StatusBarController()
{
    m_tray.hide();
    delete m_statusMenu;
    delete m_panel;
}

void StatusBarController::showPanel()
{
    m_services.store.refreshProjectStatuses();
    // A window manager may report a frame of the form's animation after the
    // panel hid; the list comes back at its own size.
    if (!m_panel->isVisible() && !m_navigation->isShowingProjectForm())
        m_panel->setFrame(QRect(m_panel->pos(), m_normalPanelSize));
    positionPanel();
    const bool wasHidden = !m_panel->isVisible();
    if (wasHidden)
        m_services.windowHints.markAsFloatingPanel(m_panel->winId());
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    if (wasHidden)
        m_services.windowHints.keepAsFloatingPanel(m_panel->winId());
}

void StatusBarController::hidePanel()
{
    const bool showingForm = m_navigation->isShowingProjectForm();
    if (showingForm)
        m_navigation->closeProjectForm();
    m_panel->hide();
    // Back to the list's frame once hidden: a window manager answers a resize
    // of a window that is going away late, or keeps the form's minimum, and
    // Qt, taking the frame it asked for as the one it has, would map the
    // panel again in that stale frame. Hidden, the frame is set right before
    // the next map.
    if (showingForm)
        resizeFromTheListFrame(m_normalPanelSize, PanelGeometry::kListMinimum, false);
}

void StatusBarController::togglePanel()
{
    if (m_panel->isVisible())
        hidePanel();
    else
        showPanel();
}

QSize StatusBarController::savedPanelSize() const
{
    const KeyValueStore &defaults = m_services.defaults;
    const QRect visible = visibleGeometryAt(QPoint());
    if (defaults.contains(kPanelWidthKey) || defaults.contains(kPanelHeightKey))
        return PanelGeometry::savedSize(defaults.value(kPanelWidthKey), defaults.value(kPanelHeightKey),
                                        visible);
    const QVariantMap stored = defaults.value(kPanelSizeKey).toMap();
    return PanelGeometry::savedSize(stored.value(u"width"_s), stored.value(u"height"_s), visible);
}

void StatusBarController::positionPanel()
{
    std::optional<QRect> anchor = PanelGeometry::trayAnchor(m_tray.geometry());
    const bool iconKnown = anchor.has_value();
    if (!anchor && m_lastClick)
        anchor = QRect(*m_lastClick, QSize(0, 0));
    const QRect visible = visibleGeometryAt(anchor ? anchor->center() : QPoint());
    if (visible.isEmpty())
        return;
    const QPoint topLeft = PanelGeometry::position(anchor, m_panel->size(), visible);
    m_panel->move(topLeft);
    m_listFrame = QRect(PanelGeometry::position(anchor, m_normalPanelSize, visible), m_normalPanelSize);
    m_placedWithoutIcon.reset();
    m_trayWatch.stop();
    // Also without a tray yet: one that starts later embeds the icon too.
    if (!iconKnown && m_tray.isVisible()) {
        m_placedWithoutIcon = topLeft;
        m_trayWatchTicks = 0;
        m_trayWatch.start(kTrayWatchInterval);
    }
}

void StatusBarController::placeAgainAtTheTrayIcon()
{
    const bool stillThere =
        m_placedWithoutIcon && m_panel->isVisible() && m_panel->pos() == *m_placedWithoutIcon;
    if (!stillThere) {
        m_trayWatch.stop();
        m_placedWithoutIcon.reset();
        return;
    }
    if (PanelGeometry::trayAnchor(m_tray.geometry()))
        positionPanel();
    else if (++m_trayWatchTicks == kTrayWatchTicks)
        m_trayWatch.setInterval(kSlowTrayWatchInterval);
}

void StatusBarController::resizeFromTheListFrame(const QSize &size, const QSize &minimum, bool animated)
{
    // The screen may have changed while the form was shown.
    const QRect visible = visibleGeometryAt(m_listFrame.center());
    setPanelFrame(PanelGeometry::resized(m_listFrame, size, visible), minimum, animated);
}

void StatusBarController::setPanelFrame(const QRect &target, const QSize &minimum, bool animated)
{
    m_resizeAnimation.stop();
    // Qt grows a window to a larger minimum size at once, from its top-left
    // corner, which would push the panel over the screen's edge: the larger
    // minimum comes once the frame is reached, and never exceeds the frame
    // that a small screen leaves.
    m_panel->setMinimumSize(m_panel->minimumSize().boundedTo(minimum));
    m_minimumAfterResize = minimum.boundedTo(target.size());
    if (!animated || !m_panel->isVisible()) {
        m_panel->setFrame(target);
        m_panel->setMinimumSize(m_minimumAfterResize);
        return;
    }
    m_resizeAnimation.setStartValue(m_panel->geometry());
    m_resizeAnimation.setEndValue(target);
    m_resizeAnimation.setDuration(kResizeAnimationMs);
    m_resizeAnimation.setEasingCurve(QEasingCurve::InOutQuad);
    m_resizeAnimation.start();
}

void StatusBarController::savePanelSize()
{
    m_normalPanelSize = m_panel->size();
    m_services.defaults.remove(kPanelSizeKey);
    m_services.defaults.setValue(kPanelWidthKey, m_normalPanelSize.width());
    m_services.defaults.setValue(kPanelHeightKey, m_normalPanelSize.height());
}

void StatusBarController::onProjectFormShownChanged(bool showing)
{
    if (!m_formChanges.accept(showing))
        return;
    // Let the panel's views switch mode first, then resize.
    QTimer::singleShot(0, this, [this, showing] {
        m_panel->setMovableByBackground(!showing);
        if (showing) {
            m_listFrame = m_panel->geometry();
            m_normalPanelSize = m_listFrame.size();
            resizeFromTheListFrame(PanelGeometry::kFormSize, PanelGeometry::kFormMinimum, true);
        } else {
            resizeFromTheListFrame(m_normalPanelSize, PanelGeometry::kListMinimum, true);
        }
    });
}

void StatusBarController::updateStatusTitle()
{
    m_statusTitle = StatusTitle::forNames(m_services.store.activeProjectNames());
    m_tray.setToolTip(StatusTitle::trayToolTip(m_statusTitle));
}

void StatusBarController::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A right click opens the status menu, which Qt shows by itself.
    if (reason != QSystemTrayIcon::Trigger)
        return;
    m_lastClick = QCursor::pos();
    togglePanel();
}

void StatusBarController::rebuildStatusMenu()
{
    m_statusMenu->clear();
    const QColor iconColor = Palette::of(m_statusMenu->palette()).label;
    const auto add = [&](const QString &key, const QString &symbol, const QKeySequence &keys, auto command) {
        QString title = L10n::text(key);
        if (!keys.isEmpty())
            title += u'\t' + keys.toString(QKeySequence::NativeText);
        QAction *action = m_statusMenu->addAction(Icons::icon(symbol, iconColor), title);
        action->setObjectName(key);
        connect(action, &QAction::triggered, this, command);
        return action;
    };
    add(u"open_devnook"_s, u"dock.rectangle"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L),
        &StatusBarController::openDevnookFromMenu);
    m_statusMenu->addSeparator();
    add(u"add_project"_s, u"plus"_s, QKeySequence(Qt::CTRL | Qt::Key_N),
        &StatusBarController::showAddProjectFromMenu);
    add(u"usage_title"_s, u"chart.bar"_s, QKeySequence(Qt::CTRL | Qt::Key_U),
        &StatusBarController::showUsageOverviewFromMenu);
    add(u"settings_title"_s, u"gearshape"_s, {}, &StatusBarController::showSettingsFromMenu);
    m_statusMenu->addSeparator();
    add(u"check_for_updates"_s, u"arrow.triangle.2.circlepath"_s, {},
        &StatusBarController::checkForUpdatesFromMenu)
        ->setEnabled(m_services.updates.canCheckForUpdates());
    m_statusMenu->addSeparator();
    add(u"report_bug"_s, u"ladybug"_s, {}, &StatusBarController::reportBugFromMenu);
    add(u"request_feature"_s, u"lightbulb"_s, {}, &StatusBarController::requestFeatureFromMenu);
    m_statusMenu->addSeparator();
    add(u"quit_devnook"_s, u"power"_s, QKeySequence(Qt::CTRL | Qt::Key_Q),
        &StatusBarController::quitRequested);
}

void StatusBarController::openDevnookFromMenu()
{
    showPanel();
}

void StatusBarController::showAddProjectFromMenu()
{
    showPanel();
    m_navigation->openNewProjectForm();
}

void StatusBarController::showUsageOverviewFromMenu()
{
    Q_EMIT usageOverviewRequested();
}

void StatusBarController::showSettingsFromMenu()
{
    m_services.settingsWindows.show(SettingsDestination::top);
}

void StatusBarController::checkForUpdatesFromMenu()
{
    m_services.updates.checkForUpdates();
}

void StatusBarController::reportBugFromMenu()
{
    sendFeedback(FeedbackKind::bugReport);
}

void StatusBarController::requestFeatureFromMenu()
{
    sendFeedback(FeedbackKind::featureRequest);
}

void StatusBarController::sendFeedback(FeedbackKind kind)
{
    const Result<void> opened = FeedbackService::openMail(
        m_services.urlOpener,
        FeedbackService::compose(kind, DiagnosticInfoService::summary(m_services.defaults)));
    // The status menu has no window of its own; the tray tells.
    if (!opened)
        m_tray.showMessage(u"Devnook"_s, opened.error(), QSystemTrayIcon::Warning);
}

void StatusBarController::perform(KeyCommand command)
{
    switch (command) {
    case KeyCommand::hidePanel:
        hidePanel();
        break;
    case KeyCommand::openPanel:
        openDevnookFromMenu();
        break;
    case KeyCommand::addProject:
        showAddProjectFromMenu();
        break;
    case KeyCommand::usageOverview:
        showUsageOverviewFromMenu();
        break;
    case KeyCommand::settings:
        showSettingsFromMenu();
        break;
    case KeyCommand::quit:
        Q_EMIT quitRequested();
        break;
    case KeyCommand::none:
    case KeyCommand::cut:
    case KeyCommand::copy:
    case KeyCommand::paste:
    case KeyCommand::selectAll:
        break;
    }
}

} // namespace devnook
