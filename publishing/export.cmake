# The MHT export command: save, choose the target, build the archive from the page server.
if(INKWELL_GUI)
    add_library(inkwell_export STATIC mhtexportcommand.cpp)
    target_include_directories(inkwell_export PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_export PUBLIC inkwell_core Qt6::Widgets PRIVATE inkwell_messageboxes inkwell_archive inkwell_server)
endif()
