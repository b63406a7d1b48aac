# Tests of the idle-time sources and logind's sleep and wake.
devnook_add_test(IdleTimeSourceTest SOURCES IdleTimeSourceTest.cpp BusService.h TestLogind.h LIBS devnook_platform Qt6::DBus)
