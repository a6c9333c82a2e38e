add_library(inkwell_projects STATIC
    projectfoldersetting.cpp projecthistory.cpp historyrows.cpp projectcreation.cpp wizardatstart.cpp)
target_include_directories(inkwell_projects PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_projects PUBLIC inkwell_core inkwell_document)
