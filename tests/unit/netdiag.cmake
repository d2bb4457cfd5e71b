# The diagnosis run and the console captures. The emitter prints an exact number of bytes for the
# capture tests; it sits beside the test program.
add_executable(netdiag_emit NetDiagEmit.cpp)
add_executable(test_netdiag NetDiagnosticsTests.cpp ConsoleCaptureTests.cpp)
target_link_libraries(test_netdiag PRIVATE rk_test_main rk_netdiag rk_base)
add_dependencies(test_netdiag netdiag_emit)
rk_add_wine_test(NAME unit_netdiag TARGET test_netdiag)

# Every probe real, against this machine and a loopback HTTP server.
add_executable(test_full_diagnosis FullDiagnosisTests.cpp AbandonedProbeTests.cpp LoopbackHttp.cpp)
target_link_libraries(test_full_diagnosis PRIVATE rk_test_main rk_netdiag rk_base ws2_32)
rk_add_wine_test(NAME unit_full_diagnosis TARGET test_full_diagnosis)

# Ten timed-out diagnoses with blocking probes, then a normal one: nothing may pile up.
add_executable(test_soak SoakTests.cpp SoakRun.cpp LoopbackHttp.cpp)
target_link_libraries(test_soak PRIVATE rk_test_main rk_netdiag rk_base ws2_32 psapi)
rk_add_wine_test(NAME unit_soak TARGET test_soak)
