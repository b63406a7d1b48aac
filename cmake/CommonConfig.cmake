# One INTERFACE target carries the language standard, the warnings and Qt's
# strictness macros; every target of the project links it.
add_library(devnook_common_config INTERFACE)

target_compile_features(devnook_common_config INTERFACE cxx_std_20)

target_compile_options(devnook_common_config INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${DEVNOOK_WERROR}>:-Werror>
)

target_compile_definitions(devnook_common_config INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_NO_KEYWORDS
    QT_USE_QSTRINGBUILDER
)

if(DEVNOOK_SANITIZE)
    target_compile_options(devnook_common_config INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(devnook_common_config INTERFACE -fsanitize=address,undefined)
endif()

# Fails the configure step when a headless layer links a GUI, widget, D-Bus or
# X11 library, directly or through one of our own targets.
function(devnook_assert_headless target)
    set(pending ${target})
    set(seen "")
    while(pending)
        list(POP_FRONT pending current)
        if(current IN_LIST seen OR NOT TARGET ${current})
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(libs ${current} INTERFACE_LINK_LIBRARIES)
        get_target_property(type ${current} TYPE)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${current} LINK_LIBRARIES)
            list(APPEND libs ${direct})
        endif()
        foreach(lib IN LISTS libs)
            if(lib MATCHES "Qt6?::(Gui|Widgets|DBus|Svg)|xcb|X11")
                message(FATAL_ERROR "${target} must stay headless but ${current} links ${lib}")
            endif()
            if(lib MATCHES "^devnook_")
                list(APPEND pending ${lib})
            endif()
        endforeach()
    endwhile()
endfunction()

# Adds one static library of the project. Every library sees the source tree
# from src/, so includes read "core/foundation/Result.h".
function(devnook_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC devnook_common_config ${ARG_LIBS})
endfunction()

# Adds one feature library of the logic core and makes it part of
# devnook_core. A feature's localisation tables (resources/l10n/<lang>/<feature>.json)
# are compiled into it with L10N.
function(devnook_add_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;L10N" ${ARGN})
    devnook_add_library(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS})
    target_link_libraries(devnook_core INTERFACE ${name})
    if(ARG_L10N)
        set(files "")
        foreach(table IN LISTS ARG_L10N)
            list(APPEND files ${PROJECT_SOURCE_DIR}/resources/l10n/en/${table}.json
                              ${PROJECT_SOURCE_DIR}/resources/l10n/ca/${table}.json)
        endforeach()
        qt_add_resources(${name} ${name}_l10n
            PREFIX /l10n
            BASE ${PROJECT_SOURCE_DIR}/resources/l10n
            FILES ${files})
    endif()
endfunction()
