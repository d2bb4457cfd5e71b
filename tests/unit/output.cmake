add_executable(test_output OutputRulesTests.cpp ReportFileTests.cpp)
target_link_libraries(test_output PRIVATE rk_test_main rk_output rk_base)
rk_add_wine_test(NAME unit_output TARGET test_output)
