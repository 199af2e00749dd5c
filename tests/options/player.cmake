skd_add_test(test_player_config SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_player_config.cpp LIBS skd_options)
