# The copy and save commands in a real window.
# The browser stand-in must be executable: the browser launcher runs it as a host program.
file(COPY ${CMAKE_CURRENT_SOURCE_DIR}/record-url.sh DESTINATION ${CMAKE_CURRENT_BINARY_DIR}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
add_executable(rk_test_gui_output OutputGuiTests.cpp)
target_link_libraries(rk_test_gui_output PRIVATE rk_test_main rk_gui_driver advapi32)
target_compile_definitions(rk_test_gui_output PRIVATE
  RK_URL_RECORDER="${CMAKE_CURRENT_BINARY_DIR}/record-url.sh")
add_dependencies(rk_test_gui_output rk_e2e_sample rk_e2e_none rk_e2e_only_getreport)
rk_add_wine_test(NAME gui_output TARGET rk_test_gui_output GUI)
# On a Western Windows (code page 1252): the copy and the save keep the report.
rk_add_wine_test(NAME gui_output_cp1252 TARGET rk_test_gui_output GUI CP1252
  ARGS "--test-case=the copy puts the whole report on the clipboard*,saving writes the control's text as it stands")
