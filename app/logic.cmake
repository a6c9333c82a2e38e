# The program's Qt-free rules: time-based names, the font list, the window's layout arithmetic and
# caption, and the guard that keeps commands from running into each other.
add_library(inkwell_app STATIC
    timestampname.cpp fontlist.cpp mainwindowlayout.cpp windowcaption.cpp
    commandguard.cpp)
target_include_directories(inkwell_app PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_app PUBLIC inkwell_core)
