# The tool in unusual places: Chinese folder names whose characters end in the byte 0x5C, folders
# of 250 bytes or more, a temp folder named in Chinese.
add_executable(rk_test_gui_paths PathGuiTests.cpp)
target_link_libraries(rk_test_gui_paths PRIVATE rk_test_main rk_gui_driver)
add_dependencies(rk_test_gui_paths rk_e2e_sample rk_e2e_only_getreport rk_e2e_nginx)
rk_add_wine_test(NAME gui_paths TARGET rk_test_gui_paths GUI NGINX)
