# Test builds of the tool whose diagnosis aims at this machine under a short bound: the tool's own
# objects with a loopback targets source in place of the product's. The shipped Rekkor.exe has no
# such mode.
# rk_loopback_layout(<name> <bound in ms> [<engine target>]): e2e/<name>/Rekkor.exe built that way.
function(rk_loopback_layout name bound)
  set(exe RekkorLoopback_${name})
  add_executable(${exe} WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/LoopbackTargets.cpp)
  target_compile_definitions(${exe} PRIVATE RK_LOOPBACK_BOUND_MS=${bound})
  target_link_libraries(${exe} PRIVATE rk_app)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/e2e/${name})
  set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
               COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${exe}> ${dir}/Rekkor.exe)
  set(deps ${exe})
  if(ARGC GREATER 2)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${ARGV2}> ${dir}/check.dll)
    list(APPEND deps ${ARGV2})
  else()
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E rm -f ${dir}/check.dll)
  endif()
  add_custom_target(rk_e2e_${name} ALL ${commands} DEPENDS ${deps} VERBATIM)
endfunction()

# Long enough for three pings of this machine; the short bound ends while a test holds its ping stand-ins.
rk_loopback_layout(loopback 30000 rk_sample_engine)
rk_loopback_layout(loopback_short 1000)
# Long enough for every held stand-in to have printed its lines before the bound.
rk_loopback_layout(loopback_held 6000)
# The update file from the test run's nginx.
rk_loopback_layout(nginx 30000)
target_compile_definitions(RekkorLoopback_nginx PRIVATE
  RK_LOOPBACK_UPDATE_URL="http://127.0.0.1:${RK_NGINX_PORT}/mirelon/mirelonup35.ini")

# A layout with a DLL that leaves a mark when loaded, planted under the names of the system DLLs
# the tool uses.
add_library(rk_planted_dll SHARED PlantedDll.cpp)
set_target_properties(rk_planted_dll PROPERTIES PREFIX "")
rk_loopback_layout(planted 30000 rk_sample_engine)
set(planted_dir ${CMAKE_CURRENT_BINARY_DIR}/e2e/planted)
set(plant_commands)
foreach(name version riched32 riched20 wintrust urlmon comdlg32)
  list(APPEND plant_commands COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rk_planted_dll> ${planted_dir}/${name}.dll)
endforeach()
# And the console tools, with the command interpreter, under their own names.
foreach(name ipconfig ping tracert netstat cmd)
  list(APPEND plant_commands COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rk_console_standin> ${planted_dir}/${name}.exe)
endforeach()
add_custom_target(rk_e2e_planted_dlls ALL ${plant_commands} VERBATIM)
add_dependencies(rk_e2e_planted_dlls rk_e2e_planted rk_planted_dll rk_console_standin)

add_executable(rk_test_gui_netdiag NetDiagnosisGuiTests.cpp)
target_link_libraries(rk_test_gui_netdiag PRIVATE rk_test_main rk_gui_driver iphlpapi ole32 uuid shell32)
add_custom_command(TARGET rk_test_gui_netdiag POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rk_versioned> ${CMAKE_CURRENT_BINARY_DIR}/userinit-candidate.exe)
add_dependencies(rk_test_gui_netdiag rk_e2e_loopback rk_e2e_loopback_short rk_e2e_loopback_held rk_e2e_nginx rk_e2e_sample rk_console_standin
                 rk_e2e_planted_dlls rk_versioned)
rk_add_wine_test(NAME gui_netdiag TARGET rk_test_gui_netdiag GUI TEMP_FILES NGINX)
# On a Western Windows (code page 1252): the wait text, the outcome box, the status line and the sections.
rk_add_wine_test(NAME gui_netdiag_cp1252 TARGET rk_test_gui_netdiag GUI TEMP_FILES NGINX CP1252
  ARGS "--test-case=a diagnosis locks the window*")
