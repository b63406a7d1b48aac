#include "StatusBarController.h"

#include "DevnookNavigation.h"
#include "DiagnosticInfoService.h"
#include "KeyMonitor.h"
#include "PanelGeometry.h"
#include "PanelWindow.h"
#include "ShellStore.h"
#include "StatusTitle.h"
#include "UpdateService.h"
#include "core/environment/HotKeyGrabber.h"
#include "core/foundation/KeyValueStore.h"
#include "core/foundation/L10n.h"
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
    m_normalPanelSize =
        PanelGeometry::savedSize(m_services.defaults.value(kPanelSizeKey), visibleGeometryAt(QPoint()));

    m_panel = new PanelWindow;
    m_rootView =
        new DevnookPopoverView(m_services.store, *m_navigation, m_services.formCatalogue, m_services.alerts);
    m_panel->setContent(m_rootView);
    new TooltipRoot(m_panel);
    m_isProgrammaticPanelResize = true;
    m_panel->resize(m_normalPanelSize);
    m_isProgrammaticPanelResize = false;
    connect(m_panel, &PanelWindow::hideRequested, this, &StatusBarController::hidePanel);
    connect(m_panel, &PanelWindow::resized, this, [this] {
        if (!m_navigation->isShowingProjectForm() && !m_isProgrammaticPanelResize)
            savePanelSize();
    });

    m_statusMenu = new QMenu;
    m_statusMenu->setObjectName(u"statusMenu"_s);
    connect(m_statusMenu, &QMenu::aboutToShow, this, &StatusBarController::rebuildStatusMenu);
    rebuildStatusMenu();
    m_tray.setIcon(AppIcon::icon());
    m_tray.setContextMenu(m_statusMenu);
    connect(&m_tray, &QSystemTrayIcon::activated, this, &StatusBarController::onTrayActivated);
    m_tray.show();

    m_keyMonitor = new KeyMonitor(m_panel, this);
    connect(m_keyMonitor, &KeyMonitor::commandRequested, this, &StatusBarController::perform);

    const QPointer<StatusBarController> guard(this);
    if (!m_services.hotKey.grab([guard] {
            if (guard)
                guard->showPanel();
        }))
        qCWarning(lcShell) << "The global hot key Ctrl+Shift+L is not available on this desktop";

    connect(&m_resizeAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &frame) { setPanelGeometry(frame.toRect()); });
    connect(&m_services.store, &ShellStore::changed, this, &StatusBarController::updateStatusTitle);
    connect(m_navigation, &DevnookNavigation::projectFormShownChanged, this,
            &StatusBarController::onProjectFormShownChanged);
    updateStatusTitle();
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
    positionPanel();
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
}

void StatusBarController::hidePanel()
{
    if (m_navigation->isShowingProjectForm()) {
        m_navigation->closeProjectForm();
        m_panel->setMinimumSize(PanelGeometry::kListMinimum);
        resizePanel(m_normalPanelSize, false);
    }
    m_panel->hide();
}

void StatusBarController::togglePanel()
{
    if (m_panel->isVisible())
        hidePanel();
    else
        showPanel();
}

void StatusBarController::positionPanel()
{
    std::optional<QRect> anchor;
    const QRect trayGeometry = m_tray.geometry();
    if (trayGeometry.isValid() && !trayGeometry.isEmpty())
        anchor = trayGeometry;
    else if (m_lastClick)
        anchor = QRect(*m_lastClick, QSize(0, 0));
    const QRect visible = visibleGeometryAt(anchor ? anchor->center() : QPoint());
    if (visible.isEmpty())
        return;
    m_panel->move(PanelGeometry::position(anchor, m_panel->size(), visible));
}

void StatusBarController::resizePanel(const QSize &size, bool animated)
{
    const QRect current = m_panel->geometry();
    const QRect target = PanelGeometry::resized(current, size, visibleGeometryAt(current.center()));
    m_resizeAnimation.stop();
    if (!animated || !m_panel->isVisible()) {
        setPanelGeometry(target);
        return;
    }
    m_resizeAnimation.setStartValue(current);
    m_resizeAnimation.setEndValue(target);
    m_resizeAnimation.setDuration(kResizeAnimationMs);
    m_resizeAnimation.setEasingCurve(QEasingCurve::InOutQuad);
    m_resizeAnimation.start();
}

void StatusBarController::setPanelGeometry(const QRect &frame)
{
    m_isProgrammaticPanelResize = true;
    m_panel->setGeometry(frame);
    m_isProgrammaticPanelResize = false;
}

void StatusBarController::savePanelSize()
{
    m_normalPanelSize = m_panel->size();
    m_services.defaults.setValue(kPanelSizeKey, PanelGeometry::storedValue(m_normalPanelSize));
}

void StatusBarController::onProjectFormShownChanged(bool showing)
{
    if (!m_formChanges.accept(showing))
        return;
    // Let the panel's views switch mode first, then resize.
    QTimer::singleShot(0, this, [this, showing] {
        m_panel->setMovableByBackground(!showing);
        if (showing) {
            m_normalPanelSize = m_panel->size();
            m_panel->setMinimumSize(PanelGeometry::kFormMinimum);
            resizePanel(PanelGeometry::kFormSize, true);
        } else {
            m_panel->setMinimumSize(PanelGeometry::kListMinimum);
            resizePanel(m_normalPanelSize, true);
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
    FeedbackService::openMail(m_services.urlOpener,
                              FeedbackService::compose(FeedbackKind::bugReport,
                                                       DiagnosticInfoService::summary(m_services.defaults)));
}

void StatusBarController::requestFeatureFromMenu()
{
    FeedbackService::openMail(m_services.urlOpener,
                              FeedbackService::compose(FeedbackKind::featureRequest,
                                                       DiagnosticInfoService::summary(m_services.defaults)));
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
