# The real tool's start-up report with the probe sections; places userinit.exe and the desktop
# shortcut, so it holds the desktop lock like the other window tests.
add_executable(test_gui_probes ProbeGuiTests.cpp)
target_link_libraries(test_gui_probes PRIVATE rk_test_main rk_gui_driver ole32 uuid shell32)
add_custom_command(TARGET test_gui_probes POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rk_versioned> ${CMAKE_CURRENT_BINARY_DIR}/userinit-candidate.exe)
add_dependencies(test_gui_probes rk_versioned e2e_only_getreport)
rk_add_wine_test(NAME gui_probes TARGET test_gui_probes GUI)
