# The About window and the pictures it and the main window show.
target_sources(skd_options PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/frmAbout.cpp ${CMAKE_CURRENT_LIST_DIR}/frmAbout.h
)
target_link_libraries(skd_options PUBLIC skd_resources)
