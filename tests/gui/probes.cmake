# The real tool's start-up report with the probe sections; places userinit.exe and the desktop
# shortcut, so it holds the desktop lock like the other window tests. The signed copies of the
# candidate are made before each run, with a certificate of that run's own.
add_executable(rk_test_gui_probes ProbeGuiTests.cpp)
target_link_libraries(rk_test_gui_probes PRIVATE rk_test_main rk_gui_driver ole32 uuid shell32)
add_custom_command(TARGET rk_test_gui_probes POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rk_versioned> ${CMAKE_CURRENT_BINARY_DIR}/userinit-candidate.exe)
add_dependencies(rk_test_gui_probes rk_versioned rk_e2e_only_getreport)
rk_add_wine_test(NAME gui_probes TARGET rk_test_gui_probes GUI
                 WRAPPER ${CMAKE_CURRENT_SOURCE_DIR}/sign-candidates.sh)

# On a Western Windows (code page 1252): a desktop under a folder named in é or in Hangul.
rk_add_wine_test(NAME gui_probes_cp1252 TARGET rk_test_gui_probes GUI CP1252
                 ARGS "--test-case=the shortcut is found on a desktop*")

if(RK_ARCH STREQUAL "i686")
  add_test(NAME i686.gui_wow64_userinit COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wow64-userinit.sh ${CMAKE_BINARY_DIR}
           $<TARGET_FILE:rk_driver> ${CMAKE_CURRENT_BINARY_DIR}/e2e/only_getreport/Rekkor.exe)
  set_tests_properties(i686.gui_wow64_userinit PROPERTIES RESOURCE_LOCK desktop TIMEOUT 600 SKIP_RETURN_CODE 77)
endif()
