# Local system probes. The tests and the small programs they inspect share one folder, with
# the recording engine there as check.dll for the start-up report.
set(RK_PROBES_DIR ${CMAKE_CURRENT_BINARY_DIR}/probes)
set(RK_PROBES_SRC ${CMAKE_CURRENT_SOURCE_DIR}/probes)

add_executable(rk_versioned ${RK_PROBES_SRC}/tiny/Tiny.c ${RK_PROBES_SRC}/tiny/Versioned.rc)
add_executable(rk_other_table ${RK_PROBES_SRC}/tiny/Tiny.c ${RK_PROBES_SRC}/tiny/OtherTable.rc)
add_executable(rk_plain ${RK_PROBES_SRC}/tiny/Tiny.c)
add_executable(rk_wininet_user ${RK_PROBES_SRC}/tiny/TinyWininet.c)
target_link_libraries(rk_wininet_user PRIVATE wininet)
# A FileVersion value without its terminator that runs to the version block's last byte.
set(RK_UNTERMINATED_RC ${CMAKE_CURRENT_BINARY_DIR}/unterminated_version.rc)
add_custom_command(OUTPUT ${RK_UNTERMINATED_RC} ${CMAKE_CURRENT_BINARY_DIR}/unterminated_version.bin
  COMMAND python3 ${RK_PROBES_SRC}/tiny/unterminated_version.py ${RK_UNTERMINATED_RC}
          ${CMAKE_CURRENT_BINARY_DIR}/unterminated_version.bin
  DEPENDS ${RK_PROBES_SRC}/tiny/unterminated_version.py)
add_executable(rk_unterminated_version ${RK_PROBES_SRC}/tiny/Tiny.c ${RK_UNTERMINATED_RC})
set_source_files_properties(${RK_UNTERMINATED_RC} PROPERTIES
  OBJECT_DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/unterminated_version.bin)
foreach(tiny rk_versioned rk_other_table rk_plain rk_wininet_user rk_unterminated_version)
  set_target_properties(${tiny} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RK_PROBES_DIR})
  target_link_options(${tiny} PRIVATE -s)
endforeach()

add_executable(test_probes
  ${RK_PROBES_SRC}/BoundedTextTests.cpp
  ${RK_PROBES_SRC}/ImageCheckTests.cpp
  ${RK_PROBES_SRC}/Md5Tests.cpp
  ${RK_PROBES_SRC}/SignatureTests.cpp
  ${RK_PROBES_SRC}/UnterminatedVersionTests.cpp
  ${RK_PROBES_SRC}/VersionReaderTests.cpp)
target_link_libraries(test_probes PRIVATE rk_test_main rk_probes rk_base)
set_target_properties(test_probes PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RK_PROBES_DIR})
add_dependencies(test_probes rk_versioned rk_other_table rk_plain rk_unterminated_version)
rk_add_wine_test(NAME unit_probes TARGET test_probes)

# Changes the prefix's system32 and desktop, so it never runs beside the window tests.
add_executable(test_probe_report ${RK_PROBES_SRC}/ProbeReportTests.cpp)
target_link_libraries(test_probe_report PRIVATE rk_test_main rk_startup rk_probes rk_engine rk_base uuid)
set_target_properties(test_probe_report PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RK_PROBES_DIR})
add_custom_command(TARGET test_probe_report POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:engine_recording> ${RK_PROBES_DIR}/check.dll)
add_dependencies(test_probe_report engine_recording rk_versioned rk_wininet_user)
rk_add_wine_test(NAME unit_probe_report TARGET test_probe_report GUI)
