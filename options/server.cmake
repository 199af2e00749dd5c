target_sources(skd_options PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ServerOptionTables.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerOptionTables.h
    ${CMAKE_CURRENT_LIST_DIR}/frmServerConfig.cpp ${CMAKE_CURRENT_LIST_DIR}/frmServerConfig.h
    ${CMAKE_CURRENT_LIST_DIR}/frmServerUpdate.cpp ${CMAKE_CURRENT_LIST_DIR}/frmServerUpdate.h
)
