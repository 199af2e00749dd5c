skd_add_test(test_general_options SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_general_options.cpp
    LIBS skd_options skd_server_test_support skd_resources)
