# The user's idle time and the machine's sleep and wake, for the store's idle
# pause of usage tracking.
find_package(PkgConfig REQUIRED)
pkg_check_modules(XCB_SCREENSAVER REQUIRED IMPORTED_TARGET xcb xcb-screensaver)
find_package(QCoro6 0.8 REQUIRED COMPONENTS DBus)

target_sources(devnook_platform PRIVATE
    linux/DBusIdleTimeSource.cpp
    linux/DBusIdleTimeSource.h
    linux/LinuxIdleTime.cpp
    linux/LinuxIdleTime.h
    linux/LogindPowerEvents.cpp
    linux/LogindPowerEvents.h
    linux/XcbIdleTimeSource.cpp
    linux/XcbIdleTimeSource.h
    null/NullIdleTimeSource.h
    null/NullPowerEvents.h
)
target_link_libraries(devnook_platform PRIVATE PkgConfig::XCB_SCREENSAVER QCoro::DBus)
