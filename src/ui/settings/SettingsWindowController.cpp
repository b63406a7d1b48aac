#include "SettingsWindowController.h"

#include "AppSettingsView.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Tooltip.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace devnook {

SettingsWindowController::SettingsWindowController(AppSettings &settings, UpdateService &updates,
                                                   KeyValueStore &defaults, UrlOpener &urlOpener,
                                                   QObject *parent)
    : QObject(parent), m_settings(settings), m_updates(updates), m_defaults(defaults), m_urlOpener(urlOpener)
{}

SettingsWindowController::~SettingsWindowController()
{
    delete m_window;
}

void SettingsWindowController::show(SettingsDestination destination)
{
    if (!m_window)
        makeWindow();
    positionWindowAtScreenCenter();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    QTimer::singleShot(0, this, [this, destination] {
        if (m_view)
            m_view->reveal(destination);
    });
}

void SettingsWindowController::makeWindow()
{
    auto *window = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                                            Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint);
    window->setObjectName(u"settingsWindow"_s);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(L10n::text(u"settings_title"_s));
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new AppSettingsView(m_settings, m_updates, m_defaults, m_urlOpener, window);
    layout->addWidget(m_view);
    new TooltipRoot(window);
    m_window = window;
}

void SettingsWindowController::positionWindowAtScreenCenter()
{
    m_window->setFixedSize(kContentSize);
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().constFirst();
    if (!screen)
        return;
    // The frame, title bar included, is what sits in the middle.
    QRect frame(QPoint(), m_window->frameGeometry().size());
    frame.moveCenter(screen->geometry().center());
    m_window->move(frame.topLeft());
}

} // namespace devnook
