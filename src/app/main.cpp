#include "AppDelegate.h"
#include "AppServices.h"
#include "SingleInstance.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "ui/form/StoreFormCatalogue.h"
#include "ui/kit/AppIcon.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ThemeApplier.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/shell/QuitCoordinator.h"
#include "ui/shell/StatusBarController.h"
#include "ui/shell/UpdateService.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTextStream>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace devnook;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Devnook"_s);
    QApplication::setDesktopFileName(u"devnook"_s);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(AppIcon::icon());

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
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));

    AppServices services(systemPrefersDark);
    ThemeApplier theme(services.settings);
    UpdateService updates;
    SettingsWindowController settingsWindows(services.settings, updates, services.defaults,
                                             services.urlOpener);
    StoreFormCatalogue formCatalogue(services.store);
    StatusBarController statusBar({services.shellStore, services.defaults, updates, *services.hotKey,
                                   settingsWindows, services.urlOpener, formCatalogue, services.alerts});
    QuitCoordinator quit(services.shellStore, services.alerts);
    AppDelegate delegate(statusBar, quit);

    QObject::connect(&instance, &SingleInstance::showRequested, &delegate, &AppDelegate::reopen);
    QObject::connect(&statusBar, &StatusBarController::quitRequested, &delegate, &AppDelegate::requestQuit);
    UnixSignalWatcher signalWatcher({SIGTERM, SIGINT});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &delegate,
                     &AppDelegate::terminateFromSignal);

    delegate.didFinishLaunching();
    return app.exec();
}
