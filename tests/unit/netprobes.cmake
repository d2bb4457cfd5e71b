# Network probe tests: the proxy, download, firewall and public-address sections. The test exe
# lives in a folder of its own with the firewall stand-ins beside it.
set(RK_NETPROBES_DIR ${CMAKE_CURRENT_BINARY_DIR}/netprobes)

add_executable(test_netprobes
  NetProbeTextTests.cpp
  NetProbeProxyTests.cpp
  NetProbeDownloadTests.cpp
  NetProbeLookupLimitTests.cpp
  NetProbeFirewallTests.cpp
  LoopbackHttp.cpp)
target_link_libraries(test_netprobes PRIVATE rk_test_main rk_netdiag rk_base ws2_32 shlwapi advapi32)
set_target_properties(test_netprobes PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RK_NETPROBES_DIR})

# Stand-ins for a third-party firewall, both named KPFW32.EXE: one names its company.
add_executable(fw_dummy_company netprobes/FirewallDummy.cpp netprobes/FirewallDummy.rc)
add_executable(fw_dummy_plain netprobes/FirewallDummy.cpp)
set_target_properties(fw_dummy_company PROPERTIES OUTPUT_NAME KPFW32 SUFFIX ".EXE" RUNTIME_OUTPUT_DIRECTORY ${RK_NETPROBES_DIR}/company)
set_target_properties(fw_dummy_plain PROPERTIES OUTPUT_NAME KPFW32 SUFFIX ".EXE" RUNTIME_OUTPUT_DIRECTORY ${RK_NETPROBES_DIR}/plain)

# The state line under other Windows versions: one copy per version, named for Wine's AppDefaults.
add_executable(fw_state_probe netprobes/FirewallStateProbe.cpp)
target_link_libraries(fw_state_probe PRIVATE rk_netdiag rk_base)
set_target_properties(fw_state_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RK_NETPROBES_DIR})
foreach(version winxp vista win2k win2003)
  add_custom_command(TARGET fw_state_probe POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fw_state_probe> ${RK_NETPROBES_DIR}/fwstate_${version}.exe)
endforeach()
add_dependencies(test_netprobes fw_dummy_company fw_dummy_plain fw_state_probe)

rk_add_wine_test(NAME unit_netprobes TARGET test_netprobes)
