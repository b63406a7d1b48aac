# Hot key, window hints, appearance watcher and single instance: target_sources(devnook_platform PRIVATE ...).
find_package(PkgConfig REQUIRED)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb xcb-keysyms)

target_sources(devnook_platform PRIVATE
    linux/PortalAppearanceWatcher.cpp
    linux/PortalAppearanceWatcher.h
    linux/XcbHotKeyGrabber.cpp
    linux/XcbHotKeyGrabber.h
    linux/XcbWindowHints.cpp
    linux/XcbWindowHints.h
    null/NullAppearanceWatcher.h
    null/NullHotKeyGrabber.h
    null/NullWindowHints.h
)
target_link_libraries(devnook_platform PRIVATE PkgConfig::XCB)
