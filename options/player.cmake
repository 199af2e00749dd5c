target_sources(skd_options PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PlayerCatalog.cpp ${CMAKE_CURRENT_LIST_DIR}/PlayerCatalog.h
    ${CMAKE_CURRENT_LIST_DIR}/frmPlayerConfig.cpp ${CMAKE_CURRENT_LIST_DIR}/frmPlayerConfig.h
)
