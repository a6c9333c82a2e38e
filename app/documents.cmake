# Document files: reading, encoding and atomic saving (Qt-free), and the file commands (Qt Widgets).
add_library(inkwell_documentfile STATIC documentfile.cpp documentfilestatus.cpp recoverycopy.cpp
    ownfolders.cpp)
target_include_directories(inkwell_documentfile PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_documentfile PUBLIC inkwell_appcore inkwell_encoding inkwell_settings)

if(INKWELL_GUI)
    add_library(inkwell_documents STATIC documentcommands.cpp)
    target_link_libraries(inkwell_documents PUBLIC inkwell_documentfile inkwell_appcore inkwell_messageboxes Qt6::Widgets)
endif()
