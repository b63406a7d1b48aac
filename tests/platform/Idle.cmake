# Tests of the idle-time sources and logind's sleep and wake.
devnook_add_test(IdleTimeSourceTest SOURCES IdleTimeSourceTest.cpp TestIdleServices.cpp TestIdleServices.h
    LIBS devnook_platform Qt6::DBus)
devnook_add_test(LogindPowerEventsTest SOURCES LogindPowerEventsTest.cpp TestIdleServices.cpp TestIdleServices.h
    LIBS devnook_platform Qt6::DBus)
