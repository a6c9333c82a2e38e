add_library(inkwell_appcore STATIC
    timestampname.cpp blankpage.cpp fontlist.cpp mainwindowlayout.cpp
    commandguard.cpp)
target_include_directories(inkwell_appcore PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_appcore PUBLIC inkwell_core)
