# Tests of the Linux notification, file manager, autostart and terminal implementations.
devnook_add_test(DBusNotifierTest
    SOURCES DBusNotifierTest.cpp
    LIBS devnook_platform Qt6::DBus)
devnook_add_test(DBusFileViewerTest SOURCES DBusFileViewerTest.cpp LIBS devnook_platform Qt6::DBus)
devnook_add_test(XdgAutostartLoginItemTest SOURCES XdgAutostartLoginItemTest.cpp LIBS devnook_platform)
devnook_add_test(TerminalEmulatorLauncherTest SOURCES TerminalEmulatorLauncherTest.cpp LIBS devnook_platform)
