# Tests of the Linux hot key, appearance and single-instance implementations.
devnook_add_test(PortalAppearanceWatcherTest SOURCES PortalAppearanceWatcherTest.cpp
    LIBS devnook_platform Qt6::DBus Qt6::Gui)
