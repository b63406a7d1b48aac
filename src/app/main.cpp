#include "AppDelegate.h"
#include "EmptyShellStore.h"
#include "SingleInstance.h"
#include "core/foundation/KeyValueStore.h"
#include "core/projects/AppSettings.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/PortalAppearanceWatcher.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "platform/linux/XcbHotKeyGrabber.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "platform/null/NullAnalyticsService.h"
#include "platform/null/NullHotKeyGrabber.h"
#include "ui/kit/AlertAsker.h"
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
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

std::unique_ptr<HotKeyGrabber> makeHotKeyGrabber()
{
    if (QGuiApplication::platformName() == u"xcb")
        return std::make_unique<XcbHotKeyGrabber>();
    return std::make_unique<NullHotKeyGrabber>();
}

} // namespace

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

    SettingsKeyValueStore defaults;
    XdgAutostartLoginItem loginItem;
    NullAnalyticsService analytics;
    AppSettings settings(defaults, loginItem, analytics, systemPrefersDark);
    ThemeApplier theme(settings);
    PortalAppearanceWatcher appearance(systemPrefersDark);
    appearance.watch([&settings](bool prefersDark) { settings.systemAppearanceChanged(prefersDark); });
    analytics.configureIfNeeded();

    EmptyShellStore store;
    UpdateService updates;
    const std::unique_ptr<HotKeyGrabber> hotKey = makeHotKeyGrabber();
    DesktopUrlOpener urlOpener;
    SettingsWindowController settingsWindows(settings, updates, defaults, urlOpener);
    StatusBarController statusBar({store, defaults, updates, *hotKey, settingsWindows, urlOpener});
    MessageBoxAlertAsker alerts;
    QuitCoordinator quit(store, alerts);
    AppDelegate delegate(statusBar, quit);

    QObject::connect(&instance, &SingleInstance::showRequested, &delegate, &AppDelegate::reopen);
    QObject::connect(&statusBar, &StatusBarController::quitRequested, &delegate, &AppDelegate::requestQuit);
    UnixSignalWatcher signalWatcher({SIGTERM, SIGINT});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &delegate, &AppDelegate::terminateFromSignal);

    delegate.didFinishLaunching();
    return app.exec();
}
