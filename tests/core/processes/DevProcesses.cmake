# Tests of the dev process side.
add_executable(PortHolder PortHolder.cpp)
target_link_libraries(PortHolder PRIVATE devnook_common_config Qt6::Core Qt6::Network)

devnook_add_test(DevProcessManagerTest SOURCES DevProcessManagerTest.cpp LIBS devnook_core_processes)
devnook_add_test(PortInspectionTest SOURCES PortInspectionTest.cpp LIBS devnook_core_processes)
add_dependencies(PortInspectionTest PortHolder)
target_compile_definitions(PortInspectionTest PRIVATE DEVNOOK_PORT_HOLDER="$<TARGET_FILE:PortHolder>")
devnook_add_test(DevServerURLDiscoveryTest SOURCES DevServerURLDiscoveryTest.cpp LIBS devnook_core_processes)
devnook_add_test(WorkspaceReadinessTest SOURCES WorkspaceReadinessTest.cpp LIBS devnook_core_processes)
