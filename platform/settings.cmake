add_library(inkwell_settings STATIC inifile.cpp instancelock.cpp)
target_include_directories(inkwell_settings PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_settings PUBLIC inkwell_kit)
