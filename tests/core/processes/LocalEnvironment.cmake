# Tests of the local environment side.
foreach(name EnvProfileServiceTest GitStatusServiceTest ProjectCommandServiceTest
             ProjectSuggestionServiceTest)
    devnook_add_test(${name} SOURCES ${name}.cpp LIBS devnook_core_environment)
endforeach()
