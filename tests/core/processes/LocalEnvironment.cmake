# Tests of the local environment side.
foreach(name EnvProfileServiceTest GitStatusServiceTest LocalNotificationServiceTest ProjectCommandServiceTest
             ProjectSuggestionServiceTest)
    devnook_add_test(${name} SOURCES ${name}.cpp LIBS devnook_core_environment)
endforeach()
