# Fails when the binary loads a GUI, widget, D-Bus or X11 library.
execute_process(COMMAND ldd ${BINARY} OUTPUT_VARIABLE libraries RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "ldd failed on ${BINARY}")
endif()
if(libraries MATCHES "libQt6(Gui|Widgets|DBus|Svg)|libxcb|libX11")
    message(FATAL_ERROR "${BINARY} loads a GUI library:\n${libraries}")
endif()
message(STATUS "${BINARY} is headless")
