add_library(skd_server_test_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ServerHive.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerHive.h
)
target_link_libraries(skd_server_test_support PUBLIC skd_flags skd_state skd_test_support)

skd_add_test(test_server_config SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_server_config.cpp
    LIBS skd_options skd_server_test_support)
skd_add_test(test_server_update SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_server_update.cpp
    LIBS skd_options skd_server_test_support)
