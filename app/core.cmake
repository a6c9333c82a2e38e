add_library(inkwell_appcore STATIC
    timestampname.cpp workingfolders.cpp blankpage.cpp document.cpp fontlist.cpp mainwindowlayout.cpp
    commandguard.cpp)
target_include_directories(inkwell_appcore PUBLIC ${PROJECT_SOURCE_DIR})
