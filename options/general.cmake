# The general options dialog.
target_sources(skd_options PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/GeneralOptionTables.cpp ${CMAKE_CURRENT_LIST_DIR}/GeneralOptionTables.h
    ${CMAKE_CURRENT_LIST_DIR}/frmGeneralOptions.cpp ${CMAKE_CURRENT_LIST_DIR}/frmGeneralOptions.h
)
