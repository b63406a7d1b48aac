# Notifications, terminal, clipboard, URL opening, the file manager and autostart.
target_sources(devnook_platform PRIVATE
    linux/DBusFileViewer.cpp
    linux/DBusFileViewer.h
    linux/DBusNotifier.cpp
    linux/DBusNotifier.h
    linux/DesktopClipboard.cpp
    linux/DesktopUrlOpener.cpp
    linux/TerminalEmulatorLauncher.cpp
    linux/XdgAutostartLoginItem.cpp
    null/NullClipboard.h
    null/NullNotifier.h
    null/NullTerminalLauncher.h
    null/NullUrlOpener.h
)
