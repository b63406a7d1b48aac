#include "core/foundation/L10n.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "ui/kit/AppIcon.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include <csignal>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Devnook"_s);
    QApplication::setDesktopFileName(u"devnook"_s);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(devnook::AppIcon::icon());

    // SIGTERM and SIGINT take the same orderly way out as Quit.
    devnook::UnixSignalWatcher signalWatcher({SIGTERM, SIGINT});
    QObject::connect(&signalWatcher, &devnook::UnixSignalWatcher::received, &app, &QCoreApplication::quit);

    QMenu menu;
    menu.addAction(devnook::L10n::text(u"tray_quit"_s), &app, &QCoreApplication::quit);

    QSystemTrayIcon tray(devnook::AppIcon::icon());
    tray.setToolTip(u"Devnook"_s);
    tray.setContextMenu(&menu);
    tray.show();

    return app.exec();
}
