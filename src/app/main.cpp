#include "AppDelegate.h"
#include "AppServices.h"
#include "SingleInstance.h"
#include "core/environment/BackgroundReads.h"
#include "core/environment/UpdateService.h"
#include "core/projects/CatalogueReadAhead.h"
#include "core/projects/JSONProjectPersistence.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "ui/kit/AppIcon.h"
#include "ui/kit/KitStyle.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ThemeApplier.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/shell/QuitCoordinator.h"
#include "ui/shell/StatusBarController.h"

#include <QApplication>
#include <QTextStream>
#include <csignal>
#include <malloc.h>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// SIGHUP (the session or terminal went away) ends the app as SIGTERM does.
const QList<int> kTerminationSignals{SIGTERM, SIGINT, SIGHUP};

} // namespace

int main(int argc, char *argv[])
{
    // A termination signal during start-up takes the same orderly way out as
    // later, and a write past the file-size limit fails with an error the
    // writers handle instead of ending the process.
    UnixSignalWatcher::deferUntilWatched(kTerminationSignals);
    std::signal(SIGXFSZ, SIG_IGN);
    // One heap for every thread: each arena that the short-lived reading
    // threads would add keeps dirty pages after they end, and the threads
    // mostly wait on child processes rather than on the allocator.
    mallopt(M_ARENA_MAX, 1);
    // Decoding a large catalogue takes milliseconds; it happens while the
    // application connects to the display.
    CatalogueReadAhead catalogue(
        JSONProjectPersistence::catalogueFilePath(JSONProjectPersistence::defaultDataHome()));
    QApplication app(argc, argv);
    UnixSignalWatcher signalWatcher(kTerminationSignals);
    QApplication::setApplicationName(u"Devnook"_s);
    QApplication::setDesktopFileName(u"devnook"_s);
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance(SingleInstance::defaultSocketPath());
    if (!instance.becomePrimary()) {
        if (instance.askPrimaryToShow())
            return 0;
        QTextStream(stderr) << "Devnook is already running but does not answer.\n";
        return 1;
    }

    // The platform's own palette tells the desktop's lightness until the
    // portal answers; read it before our palette replaces it.
    const bool systemPrefersDark = Palette::schemeOf(QApplication::palette()) == ColorScheme::dark;
    QApplication::setStyle(new KitStyle);

    AppServices services(systemPrefersDark, catalogue);
    ThemeApplier theme(services.settings);
    UpdateService updates;
    SettingsWindowController settingsWindows(services.settings, updates, services.defaults,
                                             services.urlOpener);
    StatusBarController statusBar({services.shellStore, services.defaults, updates, *services.hotKey,
                                   *services.windowHints, settingsWindows, services.urlOpener});
    QuitCoordinator quit(services.shellStore, services.alerts);
    AppDelegate delegate(statusBar, quit, services.shellStore);

    QObject::connect(&instance, &SingleInstance::showRequested, &delegate, &AppDelegate::reopen);
    QObject::connect(&statusBar, &StatusBarController::quitRequested, &delegate, &AppDelegate::requestQuit);
    QObject::connect(&statusBar, &StatusBarController::usageOverviewRequested, &services.usageOverview,
                     &UsageOverviewWindowController::show);
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &delegate,
                     &AppDelegate::terminateFromSignal);
    // Reading the usage history, the unsent signals and the first send
    // attempt need not hold up the panel; an analytics event sent before then
    // sets analytics up itself.
    QObject::connect(&delegate, &AppDelegate::panelOnScreen, &delegate, [&services, &instance] {
        // The panel keeps off the taskbar; the windows that show the icon
        // come later.
        QApplication::setWindowIcon(AppIcon::icon());
        // A later launch retries until the socket is there.
        instance.listen();
        services.joinBuses();
        services.usage.startReading();
        services.analytics.configureIfNeeded();
    });

    delegate.didFinishLaunching();
    const int status = app.exec();
    // Folder reads still queued or running would hold up the exit.
    stopBackgroundReads();
    return status;
}
