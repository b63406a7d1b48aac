# Tests of the Linux hot key, appearance and single-instance implementations.
devnook_add_test(PortalAppearanceWatcherTest SOURCES PortalAppearanceWatcherTest.cpp
    LIBS devnook_platform Qt6::DBus Qt6::Gui)
# The panel's window hints, read back with xprop from a virtual X server.
find_program(XVFB_RUN xvfb-run)
find_program(XPROP xprop)
if(XVFB_RUN AND XPROP)
    add_executable(WindowHintsXvfbTest WindowHintsXvfbTest.cpp)
    target_link_libraries(WindowHintsXvfbTest PRIVATE devnook_test_support devnook_platform Qt6::Widgets)
    add_test(NAME WindowHintsXvfbTest
        COMMAND ${XVFB_RUN} -a -s "-screen 0 1024x768x24" $<TARGET_FILE:WindowHintsXvfbTest>)
    set_tests_properties(WindowHintsXvfbTest PROPERTIES TIMEOUT 60 ENVIRONMENT
        "QT_QPA_PLATFORM=xcb;LANG=C.UTF-8;LC_ALL=C.UTF-8")
endif()
