add_library(inkwell_settings STATIC inifile.cpp atomicfile.cpp instancelock.cpp)
target_include_directories(inkwell_settings PUBLIC ${PROJECT_SOURCE_DIR})
