skd_add_test(test_about SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_about.cpp LIBS skd_options)
