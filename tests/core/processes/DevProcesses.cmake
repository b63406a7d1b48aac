# Tests of the dev process side.
add_executable(PortHolder PortHolder.cpp)
target_link_libraries(PortHolder PRIVATE devnook_common_config Qt6::Core Qt6::Network)

devnook_add_test(DevProcessManagerTest SOURCES DevProcessManagerTest.cpp LIBS devnook_core_processes)
devnook_add_test(DevProcessLogsTest SOURCES DevProcessLogsTest.cpp LIBS devnook_core_processes)
devnook_add_test(ProcessOutputBufferTest SOURCES ProcessOutputBufferTest.cpp LIBS devnook_core_processes)
devnook_add_test(LoginShellTest SOURCES LoginShellTest.cpp LIBS devnook_core_processes)
devnook_add_test(PortInspectionTest SOURCES PortInspectionTest.cpp LIBS devnook_core_processes)
add_dependencies(PortInspectionTest PortHolder)
target_compile_definitions(PortInspectionTest PRIVATE DEVNOOK_PORT_HOLDER="$<TARGET_FILE:PortHolder>")
